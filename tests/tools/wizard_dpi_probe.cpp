// wizard-dpi-probe: the Windows half of the wizard's DPI test. It builds a setup.exe with a
// language page in the header layout, a start page in the side-picture layout and a
// progress page, walks it, and prints the sizes in pixels of the pages, their controls and
// the background's title ("name value" lines) for the script to compare between two screen
// densities. What holds at any density is checked here: the side picture is stretched to
// its whole control, and every text fits its control when measured in the dialog's font at
// the screen's density. Exit code 0 when all of that holds.
//   wizard-dpi-probe UNIX-WORK-FOLDER
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "format/payload_writer.h"
#include "format/settings.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/screenshot.h"
#include "support/test_files.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace {

using vantrel::Settings;
using namespace vantrel::test;

constexpr DWORD kTimeoutMs = 120000;
// The dialog templates' font: "MS Shell Dlg 2", 10 points.
constexpr int kDialogFontPoints = 10;

int failures = 0;

void Fail(const std::string& what) {
    std::printf("FAILED: %s\n", what.c_str());
    ++failures;
}

void Print(const char* name, long value) {
    std::printf("%s %ld\n", name, value);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The room a text needs in a control of `width` pixels, in the dialog's font at `dpi`
// (`percent` of its size: the progress page's main text is a tenth larger).
SIZE TextNeeds(const std::wstring& text, int width, int dpi, int percent, UINT format) {
    HDC dc = CreateCompatibleDC(nullptr);
    const HFONT font = CreateFontW(-MulDiv(kDialogFontPoints, dpi, 72) * percent / 100, 0, 0, 0, FW_NORMAL, 0,
                                   0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg 2");
    const HGDIOBJ previous = SelectObject(dc, font);
    RECT rect{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
    SelectObject(dc, previous);
    DeleteObject(font);
    DeleteDC(dc);
    return {rect.right, rect.bottom};
}

void ExpectTextFits(HWND page, int id, const char* name, int dpi, int percent, bool oneLine) {
    const RECT rect = ControlRect(page, id);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const std::wstring text = ControlText(page, id);
    const SIZE needs = TextNeeds(text, width, dpi, percent, oneLine ? DT_SINGLELINE : DT_WORDBREAK);
    if (text.empty() || needs.cx > width || needs.cy > height)
        Fail(std::string(name) + ": the text needs " + std::to_string(needs.cx) + "x" +
             std::to_string(needs.cy) + ", the control is " + std::to_string(width) + "x" +
             std::to_string(height));
}

void PrintSize(const char* name, const RECT& rect) {
    Print((std::string(name) + ".width").c_str(), rect.right - rect.left);
    Print((std::string(name) + ".height").c_str(), rect.bottom - rect.top);
}

void PrintClientSize(const char* name, HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    PrintSize(name, client);
}

bool Bluish(const Pixel& p) {
    return p.b > p.r + 40;
}

// The side picture fills its control: its corners show the artwork, not the page's face.
void ExpectPictureStretched(HWND page, const std::string& workFolder) {
    const RECT picture = ControlRect(page, IDC_PAGE_PICTURE);
    const std::string path = workFolder + "/start-page.bmp";
    const Screenshot shot(TakeRepaintedScreenshot(page, picture, path, kTimeoutMs));
    if (!shot.Valid() || shot.Width() != picture.right - picture.left) {
        Fail("no screenshot of the picture in " + path);
        return;
    }
    const int inset = 4;
    const int right = shot.Width() - 1 - inset;
    const int bottom = shot.Height() - 1 - inset;
    for (const POINT corner :
         {POINT{inset, inset}, POINT{right, inset}, POINT{inset, bottom}, POINT{right, bottom}}) {
        const Pixel seen = shot.At(corner.x, corner.y);
        if (!Bluish(seen))
            Fail("the picture's corner (" + std::to_string(corner.x) + "," + std::to_string(corner.y) +
                 ") is " + Describe(seen));
    }
}

// The white title on the black background, at the top left of the screen above the page:
// its size in pixels, measured from a screenshot of that band.
void PrintTitleSize(HWND page, const std::string& workFolder) {
    RECT frame{};
    GetWindowRect(page, &frame);
    const RECT band{0, 0, GetSystemMetrics(SM_CXSCREEN), frame.top};
    const std::string path = workFolder + "/title.bmp";
    const Screenshot shot(TakeScreenshot(band, path, kTimeoutMs));
    if (!shot.Valid()) {
        Fail("no screenshot of the title in " + path);
        return;
    }
    RECT ink{shot.Width(), shot.Height(), -1, -1};
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = 0; x < shot.Width(); ++x) {
            const Pixel p = shot.At(x, y);
            if (p.r < 200 || p.g < 200 || p.b < 200)
                continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    if (ink.right < 0) {
        Fail("no title on the background");
        return;
    }
    PrintSize("background.title", ink);
}

// The extent of the coloured pixels in the left half of a button's inside (the frame of the
// default button, a few pixels wide, is left out); right < 0 when there are none.
RECT ButtonPictureInk(const Screenshot& shot, int dpi) {
    const int inset = MulDiv(3, dpi, 96);
    RECT ink{shot.Width(), shot.Height(), -1, -1};
    for (int y = inset; y < shot.Height() - inset; ++y) {
        for (int x = inset; x < shot.Width() / 2; ++x) {
            const Pixel p = shot.At(x, y);
            if (!Colourful(p))
                continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    return ink;
}

// The small picture on a button: the size of its ink. A screenshot can catch the button
// before its first paint on a busy machine, so a picture-less one is taken again.
void PrintButtonPictureSize(HWND page, int id, const char* name, int dpi, const std::string& workFolder) {
    const RECT button = ControlRect(page, id);
    const std::string path = workFolder + "/" + name + ".bmp";
    constexpr int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const Screenshot shot(TakeRepaintedScreenshot(page, button, path, kTimeoutMs));
        if (!shot.Valid()) {
            Fail(std::string("no screenshot of the button in ") + path);
            return;
        }
        const RECT ink = ButtonPictureInk(shot, dpi);
        if (ink.right >= 0) {
            PrintSize(name, ink);
            return;
        }
    }
    Fail(std::string("no picture on ") + name + " in " + std::to_string(kAttempts) + " screenshots");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: wizard-dpi-probe UNIX-WORK-FOLDER\n", stderr);
        return 2;
    }
    // Sizes read from other processes in real pixels, not scaled for an unaware reader.
    SetProcessDPIAware();
    const std::wstring unixFolder = argv[1];
    const std::string workFolder(unixFolder.begin(), unixFolder.end());
    const std::wstring folder = HostPathToWindows(workFolder.c_str());
    const int dpi = ScreenDpi();
    Print("dpi", dpi);

    Settings s = FixtureSettings(L"Vantrel DPI Probe");
    s.productFlagsHigh &= ~vantrel::product_flags::kNoStartQuestion;
    s.productFlagsHigh |= vantrel::product_flags::kShowProgressDialog;
    s.defaultInstallFolder = folder + L"\\app";
    s.startPageText = L"The product's own page";
    s.displayTitle = L"Probe Title";
    s.titleColor = 0xFFFFFF;
    s.titlePosition = 1;  // top left
    s.titleSize = 1.0;
    s.startPageAddress = L"https://example.invalid/";
    const std::wstring go = folder + L"\\go";
    s.postInstallBatch =
        "@echo off\r\n:wait\r\nif not exist \"" + std::string(go.begin(), go.end()) + "\" goto wait\r\n";
    // Two languages (the same texts in both), so that the language page shows.
    std::vector<std::wstring> texts(120 * 2);
    const std::pair<std::size_t, const wchar_t*> pageTexts[] = {
        {1, L"Welcome"},
        {82, L"Choose the language of the installation."},
        {94, L"Language"},
        {65, L"This installs the DPI probe on your computer. Choose Next to go on, or Cancel to leave it."},
        {48, L"&Next"},
        {49, L"Cancel"},
        {54, L"Installing"},
        {39, L"Please wait while the DPI probe is installed."},
    };
    for (const auto& [number, text] : pageTexts)
        texts[number * 2] = texts[number * 2 + 1] = text;
    s.messages = vantrel::MessageTable({L"English", L"Fran\u00e7ais"}, texts);
    s.pageStyles[3] = 2;  // the language page with its header band
    s.pageStyles[2] = 1;  // the start page with its side picture
    s.pageStyles[8] = 0;  // the progress page without a picture, its main text larger
    // Pictures on the buttons, drawn for the density.
    vantrel::PayloadWriteOptions options;
    options.productFlags2 = vantrel::product_flags2::kButtonImages;
    const std::wstring setup = folder + L"\\setup.exe";
    if (!BuildSetup(ReadWholeFile(HostPathToWindows(VANTREL_ENGINE_EXE)), s, {}, options).Save(setup)) {
        Fail("cannot write " + workFolder + "/setup.exe");
        return 1;
    }

    ChildProcess child = ChildProcess::Start(setup, L"");
    const HWND language = WaitForPageWithControl(child.Id(), IDC_PAGE_LANGUAGES, kTimeoutMs);
    if (language == nullptr) {
        Fail("no language page");
        return 1;
    }
    PrintClientSize("language", language);
    PrintSize("language.header", ControlRect(language, IDC_PAGE_HEADER));
    Print("language.list.entry.height",
          static_cast<long>(SendMessageW(GetDlgItem(language, IDC_PAGE_LANGUAGES), LB_GETITEMHEIGHT, 0, 0)));
    ExpectTextFits(language, IDC_PAGE_MAIN_TEXT, "language page text", dpi, 100, false);
    ExpectTextFits(language, IDC_PAGE_HEADER_SUBTITLE, "header line", dpi, 100, true);
    ClickControl(language, IDC_PAGE_NEXT);
    const HWND start = WaitForPageWithControl(child.Id(), IDC_PAGE_PICTURE, kTimeoutMs);
    if (start == nullptr) {
        Fail("no start page");
        return 1;
    }
    PrintTitleSize(start, workFolder);
    PrintClientSize("start", start);
    PrintSize("start.picture", ControlRect(start, IDC_PAGE_PICTURE));
    PrintSize("start.next", ControlRect(start, IDC_PAGE_NEXT));
    PrintSize("start.text", ControlRect(start, IDC_PAGE_MAIN_TEXT));
    ExpectTextFits(start, IDC_PAGE_MAIN_TEXT, "start page text", dpi, 100, false);
    ExpectTextFits(start, IDC_PAGE_NEXT, "Next", dpi, 100, true);
    ExpectTextFits(start, IDC_PAGE_CANCEL, "Cancel", dpi, 100, true);
    ExpectTextFits(start, IDC_PAGE_LINK, "start page link", dpi, 100, true);
    ExpectPictureStretched(start, workFolder);
    PrintButtonPictureSize(start, IDC_PAGE_NEXT, "start.next.picture", dpi, workFolder);
    ClickControl(start, IDC_PAGE_NEXT);

    HWND progress = nullptr;
    WaitUntil([&] { return (progress = FindProgressPage(child.Id())) != nullptr; }, kTimeoutMs);
    if (progress == nullptr) {
        Fail("no progress page");
    } else {
        PrintClientSize("progress", progress);
        PrintSize("progress.bar", ControlRect(progress, IDC_PAGE_PROGRESS_BAR));
        PrintSize("progress.text", ControlRect(progress, IDC_PAGE_MAIN_TEXT));
        ExpectTextFits(progress, IDC_PAGE_MAIN_TEXT, "progress page text", dpi, 110, false);
        ExpectTextFits(progress, IDC_PAGE_CANCEL, "progress Cancel", dpi, 100, true);
        PrintButtonPictureSize(progress, IDC_PAGE_CANCEL, "progress.cancel.picture", dpi, workFolder);
    }
    WriteTestFile(go, "go");
    const auto code = child.Wait(kTimeoutMs);
    if (code != std::optional<DWORD>(1u))
        Fail("the installation ended with " + (code ? std::to_string(*code) : std::string("nothing")));
    return failures == 0 ? 0 : 1;
}
