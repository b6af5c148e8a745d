// The background window's arithmetic (picture placement, text placement and font fitting,
// the gradient fallback, the pixel density), the checks of a stored picture, the status
// delay rule, and the windows themselves: created, hosting the progress display, and
// keeping an exception of their own procedure away from the system.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/window_seams.h"
#include "support/test_names.h"
#include "ui/background_window.h"
#include "ui/background_window_layout.h"
#include "ui/progress_display.h"

namespace vantrel {
namespace {

// --- picture placement -------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    PixelRect client;
    int width;
    int height;
    int sizePercent;
    int stretchMode;
    int dpi;
    std::vector<PixelRect> expected;
};

class PicturePlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(PicturePlacement, CoversTheExpectedRectangles) {
    const PlacementCase& c = GetParam();
    EXPECT_EQ(PicturePlacements(c.client, c.width, c.height, c.sizePercent, c.stretchMode, c.dpi),
              c.expected);
}

const PixelRect kClient{0, 0, 1000, 800};

INSTANTIATE_TEST_SUITE_P(
    Modes, PicturePlacement,
    testing::Values(
        PlacementCase{"SizeZeroHidesThePicture", kClient, 100, 100, 0, 0, 96, {}},
        PlacementCase{"NoWidthNoPicture", kClient, 0, 100, 100, 0, 96, {}},
        PlacementCase{"StretchIntoTheCentredShare", kClient, 10, 10, 50, 0, 96, {{250, 200, 750, 600}}},
        PlacementCase{"UnknownModeStretches", kClient, 10, 10, 100, 9, 96, {{0, 0, 1000, 800}}},
        PlacementCase{"SizeAboveHundredIsWholeWindow", kClient, 10, 10, 150, 0, 96, {{0, 0, 1000, 800}}},
        PlacementCase{"FitSquareIntoWideArea", kClient, 100, 100, 100, 1, 96, {{100, 0, 900, 800}}},
        PlacementCase{"FitWidePictureIntoArea", kClient, 200, 100, 100, 1, 96, {{0, 150, 1000, 650}}},
        PlacementCase{"WholeNumberThreeTimes", {0, 0, 900, 600}, 300, 200, 100, 2, 96, {{0, 0, 900, 600}}},
        PlacementCase{"WholeNumberSmallestFactor", kClient, 100, 100, 100, 2, 96, {{100, 0, 900, 800}}},
        PlacementCase{"WholeNumberTooLargeFits", kClient, 2000, 1000, 100, 2, 96, {{0, 150, 1000, 650}}},
        PlacementCase{"WholeNumberAtHighDensity", kClient, 100, 100, 100, 2, 144, {{125, 25, 875, 775}}},
        PlacementCase{"TileFromTheTopLeft",
                      {0, 0, 500, 300},
                      300,
                      200,
                      100,
                      3,
                      96,
                      {{0, 0, 300, 200}, {300, 0, 600, 200}, {0, 200, 300, 400}, {300, 200, 600, 400}}},
        PlacementCase{"TileIgnoresTheSize", {0, 0, 300, 200}, 300, 200, 10, 3, 96, {{0, 0, 300, 200}}},
        PlacementCase{"TileAtDoubleDensity", {0, 0, 600, 400}, 300, 200, 100, 3, 192, {{0, 0, 600, 400}}}),
    test::CaseName);

TEST(PicturePlacement, TileCountsAreCeilings) {
    const std::vector<PixelRect> tiles = PicturePlacements({0, 0, 1001, 401}, 100, 100, 100, 3, 96);
    ASSERT_EQ(tiles.size(), 11u * 5u);
    EXPECT_EQ(tiles.back(), (PixelRect{1000, 400, 1100, 500}));
}

// --- text placement and font fitting ------------------------------------------------------

struct TextCase {
    const char* name;
    int position;
    PixelRect box;
    TextAlign align;
};

class TextPlace : public testing::TestWithParam<TextCase> {};

// 1000 x 800: margins 5 and 2; a text 40 high with a shadow offset of 4.
TEST_P(TextPlace, BoxAndAlignment) {
    const TextCase& c = GetParam();
    const TextPlacement placement = PlaceText(1000, 800, c.position, 40, 4);
    EXPECT_EQ(placement.box, c.box);
    EXPECT_EQ(placement.align, c.align);
}

INSTANTIATE_TEST_SUITE_P(Positions, TextPlace,
                         testing::Values(TextCase{"TopLeft", 1, {5, 2, 987, 42}, TextAlign::kLeft},
                                         TextCase{"TopCentre", 2, {5, 2, 987, 42}, TextAlign::kCentre},
                                         TextCase{"TopRight", 3, {5, 2, 987, 42}, TextAlign::kRight},
                                         TextCase{"BottomLeft", 4, {5, 754, 987, 794}, TextAlign::kLeft},
                                         TextCase{"BottomCentre", 5, {5, 754, 987, 794}, TextAlign::kCentre},
                                         TextCase{"BottomRight", 6, {5, 754, 987, 794}, TextAlign::kRight}),
                         test::CaseName);

TEST(TextPlace, MarginsFollowTheClientSize) {
    EXPECT_EQ(HorizontalMargin(1920), 9);
    EXPECT_EQ(VerticalMargin(1080), 2);
    EXPECT_EQ(HorizontalMargin(199), 0);
}

TEST(FontFitting, PixelHeightAndShadowOffset) {
    EXPECT_EQ(FontPixelHeight(39.0, 96), 52);
    EXPECT_EQ(FontPixelHeight(39.0, 144), 78);
    EXPECT_EQ(FontPixelHeight(32.5, 96), 43);
    EXPECT_EQ(ShadowOffset(52, 25), 1);
    EXPECT_EQ(ShadowOffset(130, 40), 4);
    EXPECT_EQ(ShadowOffset(52, 0), 0);
}

TEST(FontFitting, AFittingTitleKeepsItsSize) {
    int measured = 0;
    const double points = FitFontPoints(39.0, 1000, 0, 96, [&](int pixelHeight) {
        ++measured;
        return pixelHeight * 10;
    });
    EXPECT_EQ(points, 39.0);
    EXPECT_EQ(measured, 1);
}

TEST(FontFitting, AWideTitleShrinksOnePointAtATime) {
    // 30 pixels of width per pixel of height: fits once 30 x height + 5 < 1000, height <= 33,
    // that is 25 points at 96 pixels per inch; one measurement per size from 39 down to 25.
    std::vector<int> heights;
    const double points = FitFontPoints(39.0, 1000, 0, 96, [&](int pixelHeight) {
        heights.push_back(pixelHeight);
        return pixelHeight * 30;
    });
    EXPECT_EQ(points, 25.0);
    EXPECT_EQ(heights.size(), 15u);
    EXPECT_EQ(heights.front(), 52);
    EXPECT_EQ(heights.back(), 33);
}

TEST(FontFitting, TheShadowCountsInTheWidth) {
    // Without the shadow 25 points would fit; a depth of 1300 adds the whole height again.
    const double points =
        FitFontPoints(39.0, 1000, 1300, 96, [](int pixelHeight) { return pixelHeight * 30; });
    EXPECT_EQ(points, 24.0);
}

TEST(FontFitting, NeverBelowSixPoints) {
    auto tooWide = [](int) { return 100000; };
    EXPECT_EQ(FitFontPoints(39.0, 1000, 0, 96, tooWide), 6.0);
    EXPECT_EQ(FitFontPoints(6.5, 1000, 0, 96, tooWide), 6.0);
    int measured = 0;
    EXPECT_EQ(FitFontPoints(5.0, 1000, 0, 96,
                            [&](int) {
                                ++measured;
                                return 100000;
                            }),
              5.0);
    EXPECT_EQ(measured, 0);
}

// --- gradient bands, pixel density ---------------------------------------------------------

TEST(GradientBands, HeightBetweenOneAndThreePixels) {
    EXPECT_EQ(GradientBandHeight(100), 1);
    EXPECT_EQ(GradientBandHeight(448), 2);
    EXPECT_EQ(GradientBandHeight(672), 3);
    EXPECT_EQ(GradientBandHeight(2160), 3);
}

TEST(GradientBands, ColoursStepEvenlyFromTopToBottom) {
    const std::uint32_t top = RGB(0, 200, 10);
    const std::uint32_t bottom = RGB(255, 100, 10);
    EXPECT_EQ(GradientBandColor(0, 3, top, bottom), top);
    EXPECT_EQ(GradientBandColor(1, 3, top, bottom), RGB(127, 150, 10));
    EXPECT_EQ(GradientBandColor(2, 3, top, bottom), bottom);
    EXPECT_EQ(GradientBandColor(0, 1, top, bottom), top);
}

TEST(PixelDensity, LengthsScaleFromNinetySix) {
    EXPECT_EQ(ScaleForDpi(100, 96), 100);
    EXPECT_EQ(ScaleForDpi(100, 144), 150);
    EXPECT_EQ(ScaleForDpi(100, 192), 200);
    EXPECT_EQ(ScaleForDpi(100, 0), 100);
}

// --- stored pictures -----------------------------------------------------------------------

Bytes Dib(int width, int height, int bitCount, std::uint32_t compression, std::uint32_t usedColours,
          std::size_t pixelBytes) {
    Bytes dib(40, 0);
    auto put32 = [&dib](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            dib[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<std::uint8_t>(bitCount);
    put32(16, compression);
    put32(32, usedColours);
    const std::size_t colours = bitCount <= 8 ? (usedColours ? usedColours : (1u << bitCount)) : usedColours;
    dib.resize(40 + (compression == BI_BITFIELDS ? 12 : 0) + colours * 4 + pixelBytes, 0);
    return dib;
}

TEST(StoredPicture, PalettedLayout) {
    // 3 x 2 at 8 bits: rows of 4 bytes; two palette entries.
    const PackedPicture picture = ReadPackedPicture(Dib(3, 2, 8, BI_RGB, 2, 8));
    ASSERT_TRUE(picture.valid);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_EQ(picture.colourCount, 2u);
    EXPECT_EQ(picture.colourTableOffset, 40u);
    EXPECT_EQ(picture.pixelOffset, 48u);
}

TEST(StoredPicture, FullPaletteWhenNoneIsCounted) {
    const PackedPicture picture = ReadPackedPicture(Dib(4, 1, 4, BI_RGB, 0, 4));
    ASSERT_TRUE(picture.valid);
    EXPECT_EQ(picture.colourCount, 16u);
    EXPECT_EQ(picture.pixelOffset, 40u + 64u);
}

TEST(StoredPicture, TopDownAndBitFields) {
    const PackedPicture topDown = ReadPackedPicture(Dib(2, -3, 24, BI_RGB, 0, 24));
    ASSERT_TRUE(topDown.valid);
    EXPECT_EQ(topDown.height, 3);
    const PackedPicture fields = ReadPackedPicture(Dib(2, 2, 32, BI_BITFIELDS, 0, 16));
    ASSERT_TRUE(fields.valid);
    EXPECT_EQ(fields.pixelOffset, 52u);
}

TEST(StoredPicture, RefusedWhenTheBytesCannotBeTrusted) {
    EXPECT_FALSE(ReadPackedPicture({}).valid);
    EXPECT_FALSE(ReadPackedPicture(Dib(3, 2, 8, BI_RGB, 2, 7)).valid) << "pixels cut short";
    EXPECT_FALSE(ReadPackedPicture(Dib(3, 2, 8, 1 /* BI_RLE8 */, 2, 64)).valid) << "run-length";
    EXPECT_FALSE(ReadPackedPicture(Dib(0, 2, 24, BI_RGB, 0, 64)).valid) << "no width";
    EXPECT_FALSE(ReadPackedPicture(Dib(2, 2, 7, BI_RGB, 0, 64)).valid) << "odd bit count";
    EXPECT_FALSE(ReadPackedPicture(Dib(2, 2, 8, BI_RGB, 300, 64)).valid) << "palette too long";
    EXPECT_FALSE(ReadPackedPicture(Dib(40000, 1, 24, BI_RGB, 0, 64)).valid) << "not believable";
    Bytes core = Dib(2, 2, 24, BI_RGB, 0, 16);
    core[0] = 12;
    EXPECT_FALSE(ReadPackedPicture(core).valid) << "old core header";
}

TEST(StoredPicture, AlphaOnlyWhenTheChannelHoldsSomething) {
    Bytes dib = Dib(2, 1, 32, BI_RGB, 0, 8);
    const PackedPicture picture = ReadPackedPicture(dib);
    ASSERT_TRUE(picture.valid);
    EXPECT_FALSE(HasAlphaChannel(dib, picture));
    dib[40 + 7] = 0x80;
    EXPECT_TRUE(HasAlphaChannel(dib, picture));
    const Bytes opaque = Dib(2, 1, 24, BI_RGB, 0, 8);
    EXPECT_FALSE(HasAlphaChannel(opaque, ReadPackedPicture(opaque)));
}

// --- status delay ----------------------------------------------------------------------------

TEST(StatusDelay, WhatIsLeftOfTheDelay) {
    EXPECT_EQ(StatusDelayLeft(1000, 900, 300), 200u);
    EXPECT_EQ(StatusDelayLeft(1200, 900, 300), 0u);
    EXPECT_EQ(StatusDelayLeft(5000, 900, 300), 0u);
    EXPECT_EQ(StatusDelayLeft(1000, 1000, 0), 0u);
    // The tick count wrapped since the status changed.
    EXPECT_EQ(StatusDelayLeft(50, 0xFFFFFFF0u, 300), 234u);
}

TEST(StatusDelay, WaitsUntilTheStatusStayedLongEnough) {
    CallbackGuard guard;
    ProgressDisplay display(guard);
    display.SetStatus(L"Copying");
    const DWORD changed = GetTickCount();
    display.WaitForStatusDelay(200);
    // Tick counts move in steps of the system timer.
    EXPECT_GE(GetTickCount() - changed, 180u);
    const DWORD before = GetTickCount();
    display.WaitForStatusDelay(200);
    EXPECT_LT(GetTickCount() - before, 150u) << "already stayed long enough";
}

// --- the windows -----------------------------------------------------------------------------

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

BackgroundLook PlainLook() {
    BackgroundLook look;
    look.caption = L"Vantrel Background Test";
    look.title = [] { return std::wstring(L"Title"); };
    look.titleSize = 1.0;
    look.titlePosition = 1;
    look.topColor = RGB(0, 0, 128);
    look.bottomColor = RGB(0, 0, 0);
    return look;
}

TEST(BackgroundWindowTest, CoversTheWorkAreaWithItsCaption) {
    CallbackGuard guard;
    const auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, false}, PlainLook(), guard);
    ASSERT_NE(window, nullptr);
    const HWND handle = window->Handle();
    EXPECT_EQ(ClassOf(handle), L"VantrelBackground");
    EXPECT_EQ(TextOf(handle), L"Vantrel Background Test");
    EXPECT_TRUE(IsWindowVisible(handle));
    EXPECT_FALSE(IsIconic(handle));
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    RECT rect{};
    GetWindowRect(handle, &rect);
    EXPECT_EQ(rect.left, area.left);
    EXPECT_EQ(rect.top, area.top);
    EXPECT_EQ(rect.right, area.right);
    EXPECT_EQ(rect.bottom, area.bottom);
    ServiceWindows(guard);
}

TEST(BackgroundWindowTest, MinimizedStartAndDestroyedWithItsOwner) {
    CallbackGuard guard;
    auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, true}, PlainLook(), guard);
    ASSERT_NE(window, nullptr);
    const HWND handle = window->Handle();
    EXPECT_TRUE(IsIconic(handle));
    window.reset();
    EXPECT_FALSE(IsWindow(handle));
}

// The window has a taskbar button and takes Alt+F4 while the modeless progress page runs:
// closing it would take the progress page and its Cancel with it while the run goes on.
TEST(BackgroundWindowTest, ClosingItByTheUserLeavesItStanding) {
    CallbackGuard guard;
    const auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, false}, PlainLook(), guard);
    ASSERT_NE(window, nullptr);
    const HWND handle = window->Handle();
    const HWND owned = CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, handle,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owned, nullptr);
    SendMessageW(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(handle, WM_CLOSE, 0, 0);
    ServiceWindows(guard);
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_EQ(window->Handle(), handle);
    EXPECT_TRUE(IsWindow(owned)) << "the windows it owns stay too";
    DestroyWindow(owned);
}

TEST(BackgroundWindowTest, MaximizedWhenTheProductAsks) {
    CallbackGuard guard;
    const auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, true, false}, PlainLook(), guard);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsZoomed(window->Handle()));
    EXPECT_FALSE(IsIconic(window->Handle()));
}

TEST(BackgroundWindowTest, TheTitleIsAskedForAtEveryPaint) {
    CallbackGuard guard;
    int asked = 0;
    BackgroundLook look = PlainLook();
    look.title = [&asked] {
        ++asked;
        return std::wstring(L"Title");
    };
    const auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, false}, look, guard);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window->Handle());
    ServiceWindows(guard);
    const int first = asked;
    EXPECT_GE(first, 1);
    window->Repaint();
    UpdateWindow(window->Handle());
    ServiceWindows(guard);
    EXPECT_GT(asked, first);
}

TEST(BackgroundWindowTest, AnExceptionWhilePaintingReachesThePumpNotTheSystem) {
    CallbackGuard guard;
    BackgroundLook look = PlainLook();
    look.title = []() -> std::wstring { throw std::runtime_error("title failed"); };
    const auto window =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, false}, look, guard);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window->Handle());
    // The failed paint was still validated: it does not come back for ever.
    EXPECT_FALSE(GetUpdateRect(window->Handle(), nullptr, FALSE));
    EXPECT_TRUE(guard.Pending());
    EXPECT_THROW(ServiceWindows(guard), std::runtime_error);
    EXPECT_FALSE(guard.Pending());
    // A title that works again paints again.
    window->Look().title = [] { return std::wstring(L"Title"); };
    window->Repaint();
    UpdateWindow(window->Handle());
    EXPECT_NO_THROW(ServiceWindows(guard));
    // The pump took the guard's quit message with the exception: no loop ends on it later.
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

HWND ChildWithId(HWND parent, int id) {
    return GetDlgItem(parent, id);
}

TEST(ProgressDisplayTest, OwnControlsOnTheBackground) {
    CallbackGuard guard;
    const auto background =
        BackgroundWindow::Create({GetModuleHandleW(nullptr), nullptr, false, false}, PlainLook(), guard);
    ASSERT_NE(background, nullptr);
    ProgressDisplay display(guard);
    display.SetStatus(L"Preparing");
    display.ShowOwnControls(GetModuleHandleW(nullptr), background->Handle(), L"unused");
    const HWND status = ChildWithId(background->Handle(), kProgressStatusId);
    const HWND bar = ChildWithId(background->Handle(), kProgressBarId);
    ASSERT_NE(status, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(TextOf(status), L"Preparing") << "the status before the display opened";
    display.SetStatus(L"C:\\Program Files\\Product\\file.txt");
    display.SetPercent(42);
    EXPECT_EQ(TextOf(status), L"C:\\Program Files\\Product\\file.txt");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 42);
    display.Close();
    EXPECT_FALSE(IsWindow(status));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_TRUE(IsWindow(background->Handle()));
}

TEST(ProgressDisplayTest, AWindowOfItsOwnWithoutBackground) {
    CallbackGuard guard;
    ProgressDisplay display(guard);
    display.ShowOwnControls(GetModuleHandleW(nullptr), nullptr, L"Uninstalling");
    const HWND window = display.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"Uninstalling");
    EXPECT_TRUE(IsWindowVisible(window));
    display.SetStatus(L"Removing files");
    display.SetPercent(100);
    EXPECT_EQ(TextOf(ChildWithId(window, kProgressStatusId)), L"Removing files");
    EXPECT_EQ(SendMessageW(ChildWithId(window, kProgressBarId), PBM_GETPOS, 0, 0), 100);
    display.Close();
    EXPECT_FALSE(IsWindow(window));
}

TEST(ProgressDisplayTest, HostsAPageAndDestroysItWhenClosed) {
    CallbackGuard guard;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    // A stand-in for the progress page: a window with a status line and a bar.
    const HWND page =
        CreateWindowExW(0, L"STATIC", L"page", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    const HWND status =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 200, 20, page, nullptr, nullptr, nullptr);
    const HWND bar =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 30, 200, 20, page, nullptr, nullptr, nullptr);
    ProgressDisplay display(guard);
    display.SetPercent(7);
    display.SetStatus(L"Before");
    display.ShowOnPage({page, bar, status, true});
    EXPECT_EQ(TextOf(status), L"Before");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 7);
    display.SetStatus(L"After");
    display.SetPercent(55);
    EXPECT_EQ(TextOf(status), L"After");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 55);
    display.Close();
    EXPECT_FALSE(IsWindow(page));
}

// --- the looks ---------------------------------------------------------------------------------

TEST(BackgroundLookTest, FromTheSettingsWithTheTitleOfTheChosenLanguage) {
    Settings settings;
    settings.taskbarText = L"Caption";
    settings.displayTitle = L"  ";
    settings.titleColor = 0xFF0000FF;
    settings.topColor = RGB(1, 2, 3);
    settings.bottomColor = RGB(1, 2, 3);
    settings.bitmapTpi = 0xFFFFFFFF;
    settings.copyright = {6, RGB(9, 8, 7), 1.5, L"(c)", L"Arial"};
    std::vector<std::wstring> texts = {L"English title", L"Deutscher Titel"};
    settings.messages = MessageTable({L"English", L"Deutsch"}, texts);
    const BackgroundLook look = LookFromSettings(settings);
    EXPECT_EQ(look.caption, L"Caption");
    EXPECT_EQ(look.titleColor, RGB(255, 0, 0)) << "only the colour bytes";
    EXPECT_TRUE(look.oneColour);
    EXPECT_EQ(look.transparentIndex, -1);
    EXPECT_EQ(look.copyrightPosition, 6);
    EXPECT_EQ(look.copyrightColor, RGB(9, 8, 7));
    EXPECT_EQ(look.title(), L"English title") << "message 0 for a blank title";
    settings.messages.SelectLanguage(1);
    EXPECT_EQ(look.title(), L"Deutscher Titel") << "looked up again after a change of language";
    settings.displayTitle = L"Own title";
    EXPECT_EQ(look.title(), L"Own title");
}

TEST(BackgroundLookTest, FromWhatTheProductKeyKept) {
    UninstallAppearance appearance;
    appearance.displayTitle = L"Product 2.0";
    appearance.topColor = RGB(10, 20, 30);
    appearance.monoColor = 0;
    appearance.copyrightColor = L"FF8001";
    appearance.copyrightPos = 3;
    appearance.useBitmap = true;
    appearance.bitmapTpi = 5;
    appearance.stretchMode = 2;
    appearance.bitmapSize = 80;
    // A saved picture: the file header, then the packed bitmap.
    const Bytes dib = Dib(2, 2, 24, BI_RGB, 0, 16);
    Bytes file = {'B', 'M'};
    file.resize(14, 0);
    file.insert(file.end(), dib.begin(), dib.end());
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"Installer Background.bmp";
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(handle);
    const BackgroundLook look = LookFromAppearance(appearance, folder);
    DeleteFileW(path.c_str());
    EXPECT_EQ(look.title(), L"Product 2.0");
    EXPECT_FALSE(look.oneColour);
    EXPECT_EQ(look.copyrightColor, RGB(0xFF, 0x80, 0x01));
    EXPECT_EQ(look.picture, dib);
    EXPECT_EQ(look.transparentIndex, 5);
    EXPECT_EQ(look.stretchMode, 2);
    EXPECT_EQ(look.pictureSize, 80);
    appearance.copyrightColor = L"nonsense";
    appearance.useBitmap = false;
    const BackgroundLook plain = LookFromAppearance(appearance, folder);
    EXPECT_EQ(plain.copyrightColor, 0u);
    EXPECT_TRUE(plain.picture.empty());
}

}  // namespace
}  // namespace vantrel
