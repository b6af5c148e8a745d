// background-shot: the Windows half of the background screenshot test. For one case of the
// table below it builds a setup.exe with that look, starts it, waits until the background
// is drawn behind the start question, and asks the script for a screenshot of the X screen
// (the script takes it with ImageMagick, which runs outside Wine). Then it checks a few
// sampled pixels of the screenshot against the case, answers the question and lets the
// installer end.
//   background-shot CASE WORK-FOLDER     (writes WORK-FOLDER\ready, reads WORK-FOLDER\shot.ppm)
//   background-shot --list
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/ui_driver.h"

namespace {

using vantrel::Bytes;
using vantrel::Settings;

constexpr DWORD kTimeoutMs = 120000;

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

std::uint32_t ColourRef(Rgb c) {
    return static_cast<std::uint32_t>(c.r | (c.g << 8) | (c.b << 16));
}

// A screenshot as the script converts it: binary PPM (P6), 8 bits per channel.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;

    Rgb At(int x, int y) const {
        const std::size_t at =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }
};

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// What one sample expects: a pixel's colour, or how many pixels of a region have a colour.
struct Check {
    std::string what;
    std::function<bool(const Screen&, std::string& seen)> holds;
};

Check PixelIs(const char* what, double fx, double fy, Rgb expected, int tolerance = 6) {
    return {what, [=](const Screen& screen, std::string& seen) {
                const int x = static_cast<int>(fx * (screen.width - 1));
                const int y = static_cast<int>(fy * (screen.height - 1));
                const Rgb got = screen.At(x, y);
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d,%d) is %d,%d,%d", x, y, got.r, got.g, got.b);
                seen = text;
                return Near(got, expected, tolerance);
            }};
}

// Pixels counted in the region of fractions [x0,x1) x [y0,y1) of the screen.
Check CountIn(const char* what, double x0, double y0, double x1, double y1, Rgb colour, int atLeast,
              int atMost = 1 << 30, int tolerance = 24) {
    return {what, [=](const Screen& screen, std::string& seen) {
                int count = 0;
                for (int y = static_cast<int>(y0 * screen.height); y < static_cast<int>(y1 * screen.height);
                     ++y)
                    for (int x = static_cast<int>(x0 * screen.width); x < static_cast<int>(x1 * screen.width);
                         ++x)
                        count += Near(screen.At(x, y), colour, tolerance) ? 1 : 0;
                seen = std::to_string(count) + " pixels";
                return count >= atLeast && count <= atMost;
            }};
}

// A packed bitmap, top-down, with `bitCount` bits per pixel, `palette` as its colour table
// and room for its pixels (rows of `stride` bytes after the table).
Bytes PictureHeader(int width, int height, int bitCount, const std::vector<Rgb>& palette, int stride) {
    const std::size_t tableEnd = 40 + palette.size() * 4;
    Bytes dib(tableEnd + static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    auto put32 = [&dib](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            dib[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(-height));
    dib[12] = 1;
    dib[14] = static_cast<std::uint8_t>(bitCount);
    put32(32, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        dib[40 + i * 4] = static_cast<std::uint8_t>(palette[i].b);
        dib[40 + i * 4 + 1] = static_cast<std::uint8_t>(palette[i].g);
        dib[40 + i * 4 + 2] = static_cast<std::uint8_t>(palette[i].r);
    }
    return dib;
}

// 24 bits per pixel, from a colour per pixel.
Bytes Picture24(int width, int height, const std::function<Rgb(int x, int y)>& colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    Bytes dib = PictureHeader(width, height, 24, {}, stride);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            const std::size_t at = 40 + static_cast<std::size_t>(y * stride + x * 3);
            dib[at] = static_cast<std::uint8_t>(c.b);
            dib[at + 1] = static_cast<std::uint8_t>(c.g);
            dib[at + 2] = static_cast<std::uint8_t>(c.r);
        }
    }
    return dib;
}

// 32 bits per pixel: one colour with one alpha value everywhere (not premultiplied).
Bytes Picture32(int width, int height, Rgb colour, int alpha) {
    Bytes dib = PictureHeader(width, height, 32, {}, width * 4);
    for (std::size_t at = 40; at < dib.size(); at += 4) {
        dib[at] = static_cast<std::uint8_t>(colour.b);
        dib[at + 1] = static_cast<std::uint8_t>(colour.g);
        dib[at + 2] = static_cast<std::uint8_t>(colour.r);
        dib[at + 3] = static_cast<std::uint8_t>(alpha);
    }
    return dib;
}

// 8 bits per pixel with a palette, from an index per pixel.
Bytes Picture8(int width, int height, const std::vector<Rgb>& palette,
               const std::function<int(int x, int y)>& index) {
    const int stride = (width + 3) / 4 * 4;
    const std::size_t tableEnd = 40 + palette.size() * 4;
    Bytes dib = PictureHeader(width, height, 8, palette, stride);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dib[tableEnd + static_cast<std::size_t>(y * stride + x)] = static_cast<std::uint8_t>(index(x, y));
    return dib;
}

struct Case {
    const char* name;
    std::function<void(Settings&)> look;
    std::vector<Check> checks;
    std::wstring arguments;
    bool minimized = false;
};

void Colours(Settings& s, Rgb top, Rgb bottom) {
    s.topColor = ColourRef(top);
    s.bottomColor = ColourRef(bottom);
}

void Title(Settings& s, const wchar_t* text, Rgb colour, int position, int shadow, double size) {
    s.displayTitle = text;
    s.titleColor = ColourRef(colour);
    s.titlePosition = static_cast<std::uint8_t>(position);
    s.titleShadow = static_cast<std::uint8_t>(shadow);
    s.titleSize = size;
}

constexpr Rgb kNavy{0, 0, 160};
constexpr Rgb kMaroon{160, 0, 0};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kLime{0, 255, 0};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kGrey{40, 40, 40};
constexpr Rgb kOrange{200, 100, 50};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    cases.push_back(
        {"GradientTitleTopLeft",
         [](Settings& s) {
             Colours(s, kNavy, kMaroon);
             Title(s, L"VANTREL", kYellow, 1, 0, 2.0);
         },
         {PixelIs("gradient top", 0.75, 0.0, kNavy), PixelIs("gradient bottom", 0.75, 1.0, kMaroon),
          PixelIs("gradient middle", 0.75, 0.5, {80, 0, 80}, 10),
          CountIn("title colour at the top left", 0.0, 0.0, 0.5, 0.15, kYellow, 200),
          CountIn("no title colour at the top right", 0.5, 0.0, 1.0, 0.15, kYellow, 0, 0),
          CountIn("no shadow without a depth", 0.0, 0.0, 0.5, 0.15, kBlack, 0, 0, 8)},
         L"",
         false});
    cases.push_back({"OneColourTitleBottomRightWithShadow",
                     [](Settings& s) {
                         Colours(s, kGreen, kGreen);
                         Title(s, L"VANTREL", kWhite, 6, 60, 2.0);
                     },
                     {PixelIs("one colour at the top", 0.5, 0.0, kGreen, 0),
                      PixelIs("one colour at the bottom left", 0.02, 1.0, kGreen, 0),
                      CountIn("title colour at the bottom right", 0.5, 0.85, 1.0, 1.0, kWhite, 200),
                      CountIn("shadow at the bottom right", 0.5, 0.85, 1.0, 1.0, kBlack, 50, 1 << 30, 8),
                      CountIn("no title colour at the top", 0.0, 0.0, 1.0, 0.3, kWhite, 0, 0, 8)},
                     L"",
                     false});
    cases.push_back({"PictureStretchedToHalf",
                     [](Settings& s) {
                         Colours(s, kGrey, kGrey);
                         s.bitmap = Picture24(8, 8, [](int x, int y) {
                             return y < 4 ? (x < 4 ? kRed : kLime) : (x < 4 ? kBlue : kWhite);
                         });
                         s.bitmapTpi = 0xFFFFFFFF;
                         s.bitmapSize = 50;
                         s.stretchMode = 0;
                     },
                     // The picture covers the middle half: 256..768 x 192..576 on a 1024 x 768 screen.
                     {PixelIs("picture top left", 0.27, 0.27, kRed, 12),
                      PixelIs("picture top right", 0.73, 0.27, kLime, 12),
                      PixelIs("picture bottom left", 0.27, 0.73, kBlue, 12),
                      PixelIs("picture bottom right", 0.73, 0.73, kWhite, 12),
                      PixelIs("background left of it", 0.23, 0.5, kGrey, 0),
                      PixelIs("background above it", 0.5, 0.23, kGrey, 0)},
                     L"",
                     false});
    cases.push_back(
        {"PictureFittedWithTransparentIndex",
         [](Settings& s) {
             Colours(s, kNavy, kNavy);
             // Two to one: fitted into 1024 x 512 at the middle; its right half is the
             // transparent index and shows the background.
             s.bitmap = Picture8(8, 4, {kMagenta, kYellow}, [](int x, int) { return x < 4 ? 1 : 0; });
             s.bitmapTpi = 0;
             s.bitmapSize = 100;
             s.stretchMode = 1;
         },
         {PixelIs("opaque half", 0.1, 0.4, kYellow, 0), PixelIs("transparent half", 0.9, 0.4, kNavy, 0),
          PixelIs("above the fitted picture", 0.1, 0.08, kNavy, 0),
          CountIn("no transparent colour anywhere", 0.0, 0.0, 1.0, 1.0, kMagenta, 0, 0, 8)},
         L"",
         false});
    cases.push_back({"PictureEnlargedWholeTimesCopyrightTopCentre",
                     [](Settings& s) {
                         Colours(s, kBlack, kBlack);
                         s.displayTitle = L"HIDDEN TITLE";
                         s.titleColor = ColourRef(kMagenta);
                         s.titlePosition = 0;
                         s.titleSize = 1.0;
                         // 100 x 100 enlarged 7 times: 700 x 700 at 162,34.
                         s.bitmap = Picture24(100, 100, [](int, int) { return kOrange; });
                         s.bitmapTpi = 0xFFFFFFFF;
                         s.bitmapSize = 100;
                         s.stretchMode = 2;
                         s.copyright = {2, ColourRef(kLime), 2.0, L"COPYRIGHT LINE", L""};
                     },
                     {PixelIs("inside the left edge", 170.0 / 1023, 0.5, kOrange, 0),
                      PixelIs("outside the left edge", 155.0 / 1023, 0.5, kBlack, 0),
                      PixelIs("inside the right edge", 855.0 / 1023, 0.5, kOrange, 0),
                      PixelIs("outside the right edge", 868.0 / 1023, 0.5, kBlack, 0),
                      PixelIs("below the bottom edge", 0.5, 740.0 / 767, kBlack, 0),
                      CountIn("copyright at the top centre", 0.3, 0.0, 0.7, 0.1, kLime, 100),
                      CountIn("no copyright at the top left", 0.0, 0.0, 0.15, 0.1, kLime, 0, 0),
                      CountIn("title position 0 draws no title", 0.0, 0.0, 1.0, 1.0, kMagenta, 0, 0, 8)},
                     L"",
                     false});
    cases.push_back({"PictureTiled",
                     [](Settings& s) {
                         Colours(s, kBlack, kBlack);
                         s.bitmap = Picture24(100, 100, [](int x, int) { return x < 50 ? kRed : kBlue; });
                         s.bitmapTpi = 0xFFFFFFFF;
                         s.bitmapSize = 100;
                         s.stretchMode = 3;
                     },
                     {PixelIs("first tile, left half", 25.0 / 1023, 0.95, kRed, 0),
                      PixelIs("first tile, right half", 75.0 / 1023, 0.95, kBlue, 0),
                      PixelIs("second tile, left half", 125.0 / 1023, 0.95, kRed, 0),
                      PixelIs("tenth tile, right half", 975.0 / 1023, 0.95, kBlue, 0),
                      PixelIs("last, cut tile", 1010.0 / 1023, 0.02, kRed, 0)},
                     L"",
                     false});
    cases.push_back({"PictureBlendedWithItsAlpha",
                     [](Settings& s) {
                         Colours(s, kBlue, kBlue);
                         s.bitmap = Picture32(4, 4, kRed, 128);
                         s.bitmapTpi = 0xFFFFFFFF;
                         s.bitmapSize = 50;
                         s.stretchMode = 0;
                     },
                     {PixelIs("half red over blue", 0.3, 0.3, {128, 0, 127}, 6),
                      PixelIs("blue around it", 0.2, 0.2, kBlue, 0)},
                     L"",
                     false});
    cases.push_back({"MinimizedStart",
                     [](Settings& s) {
                         Colours(s, kNavy, kMaroon);
                         Title(s, L"VANTREL", kYellow, 2, 0, 1.0);
                     },
                     {CountIn("no background on the screen", 0.0, 0.0, 1.0, 0.2, kNavy, 0, 0, 8)},
                     L"/min",
                     true});
    return cases;
}

bool ReadScreen(const std::wstring& path, Screen& screen) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return false;
    int maximum = 0;
    const bool header = std::fscanf(file, "P6 %d %d %d", &screen.width, &screen.height, &maximum) == 3 &&
                        maximum == 255 && std::fgetc(file) != EOF;
    screen.pixels.resize(static_cast<std::size_t>(screen.width) * static_cast<std::size_t>(screen.height) *
                         3);
    const bool read =
        header && std::fread(screen.pixels.data(), 1, screen.pixels.size(), file) == screen.pixels.size();
    std::fclose(file);
    return read;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HWND FindWindowOf(DWORD processId, const wchar_t* className) {
    for (HWND window : vantrel::test::TopLevelWindows(processId)) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) == className)
            return window;
    }
    return nullptr;
}

int RunCase(const Case& testCase, const std::wstring& work) {
    Settings settings = vantrel::test::FixtureSettings(
        L"Vantrel Background " + std::wstring(testCase.name, testCase.name + std::strlen(testCase.name)));
    settings.productFlagsHigh &= ~vantrel::product_flags::kNoStartQuestion;
    std::vector<std::wstring> texts = settings.messages.Texts();
    texts[65] = L"Screenshot question";
    texts[98] = L"Screenshot cancelled";
    settings.messages = vantrel::MessageTable({L"English"}, texts);
    testCase.look(settings);
    const Bytes engine = vantrel::test::ReadWholeFile(vantrel::test::HostPathToWindows(VANTREL_ENGINE_EXE));
    const std::wstring setup = work + L"\\setup.exe";
    if (engine.empty() || !vantrel::test::BuildSetup(engine, settings, {}).Save(setup)) {
        std::fputs("background-shot: could not build the installer\n", stderr);
        return 2;
    }
    auto child = vantrel::test::ChildProcess::Start(setup, testCase.arguments);
    if (!child.Started()) {
        std::fputs("background-shot: the installer did not start\n", stderr);
        return 2;
    }
    // Ready: the start question is up, so the background has been shown before it.
    HWND question = nullptr;
    for (DWORD waited = 0; question == nullptr && waited < kTimeoutMs; waited += 100) {
        question = FindWindowOf(child.Id(), L"#32770");
        if (question == nullptr)
            Sleep(100);
    }
    HWND background = vantrel::test::FindBackgroundWindow(child.Id());
    if (question == nullptr || background == nullptr) {
        std::fprintf(stderr, "background-shot: no %s\n",
                     question == nullptr ? "start question" : "background window");
        return 1;
    }
    int failures = 0;
    if (IsIconic(background) != (testCase.minimized ? TRUE : FALSE)) {
        std::printf("FAILED: the background is %sminimized\n", IsIconic(background) ? "" : "not ");
        ++failures;
    }
    // Let the background finish painting, then ask for the screenshot.
    Sleep(1000);
    const std::wstring shot = work + L"\\shot.ppm";
    DeleteFileW(shot.c_str());
    CloseHandle(
        CreateFileW((work + L"\\ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (DWORD waited = 0; !Exists(shot) && waited < kTimeoutMs; waited += 100)
        Sleep(100);
    Screen screen;
    if (!ReadScreen(shot, screen)) {
        std::fputs("background-shot: no screenshot\n", stderr);
        return 2;
    }
    for (const Check& check : testCase.checks) {
        std::string seen;
        const bool holds = check.holds(screen, seen);
        std::printf("%s: %s (%s)\n", holds ? "ok" : "FAILED", check.what.c_str(), seen.c_str());
        failures += holds ? 0 : 1;
    }
    // No to the question, OK to the notice that the installation was cancelled.
    vantrel::test::PressButton(question, L"No");
    for (DWORD waited = 0; waited < kTimeoutMs; waited += 100) {
        if (child.Wait(100))
            break;
        if (HWND notice = FindWindowOf(child.Id(), L"#32770"); notice != nullptr && notice != question)
            vantrel::test::PressButton(notice, L"OK");
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<Case> cases = Cases();
    if (argc == 2 && std::wstring(argv[1]) == L"--list") {
        for (const Case& c : cases)
            std::printf("%s\n", c.name);
        return 0;
    }
    if (argc != 3) {
        std::fputs("usage: background-shot CASE WORK-FOLDER | --list\n", stderr);
        return 2;
    }
    for (const Case& c : cases) {
        if (std::wstring(argv[1]) == std::wstring(c.name, c.name + std::strlen(c.name)))
            return RunCase(c, argv[2]);
    }
    std::fputs("background-shot: no such case\n", stderr);
    return 2;
}
