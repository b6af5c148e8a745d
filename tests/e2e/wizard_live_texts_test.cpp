// Texts the pages work out while a person uses them: the folder page's space display follows
// the typed folder's drive, and a choice on the language page speaks on every later page and
// in the background's title.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "e2e/engine_bytes.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/screenshot.h"
#include "support/test_files.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::ControlText;
using test::WaitForPageWithControl;
using test::WaitUntil;

constexpr DWORD kTimeoutMs = 60000;
constexpr std::uint32_t kShowSpace = 0x400000;  // the folder page's space display
// More room than the installation's own files and uninstaller: the need reads "5.00 GB"
// whatever the engine's size and the drive's clusters.
constexpr std::uint64_t kExtraSpace = std::uint64_t{5} << 30;

struct Language {
    const wchar_t* name;
    const wchar_t* title;  // message 0: the background's title
    const wchar_t* choose;
    const wchar_t* next;
    const wchar_t* cancel;
    const wchar_t* readmeTitle;
    const wchar_t* readmeText;
    const wchar_t* folderTitle;
    const wchar_t* folderText;
    const wchar_t* browse;
    const wchar_t* needed;
    const wchar_t* free;
};

const Language kGerman{L"Deutsch",
                       L"Einrichtung von Vantrel Live",
                       L"W\u00e4hlen Sie eine Sprache.",
                       L"&Weiter",
                       L"Abbrechen",
                       L"Liesmich",
                       L"Bitte zuerst lesen.",
                       L"Zielordner",
                       L"W\u00e4hlen Sie den Ordner.",
                       L"&Durchsuchen...",
                       L"Ben\u00f6tigt:",
                       L"Verf\u00fcgbar:"};
const Language kEnglish{L"English",
                        L"Setup",
                        L"Choose a language.",
                        L"&Next",
                        L"Cancel",
                        L"Readme",
                        L"Please read this first.",
                        L"Installation folder",
                        L"Choose the folder.",
                        L"B&rowse...",
                        L"Needed:",
                        L"Free:"};

// Which message says what.
const std::pair<std::size_t, const wchar_t * Language::*> kMessageOf[] = {
    {0, &Language::title},        {82, &Language::choose},     {94, &Language::name},
    {48, &Language::next},        {90, &Language::next},       {49, &Language::cancel},
    {50, &Language::readmeTitle}, {51, &Language::readmeText}, {24, &Language::folderTitle},
    {11, &Language::folderText},  {52, &Language::browse},     {92, &Language::needed},
    {93, &Language::free},
};

// German first, so that the system's English is a choice of the page, not of the order.
MessageTable TwoLanguages() {
    std::vector<std::wstring> texts(120 * 2);
    for (std::size_t language = 0; language < 2; ++language) {
        const Language& l = language == 0 ? kGerman : kEnglish;
        for (const auto& [number, member] : kMessageOf)
            texts[number * 2 + language] = l.*member;
        texts[98 * 2 + language] = texts[111 * 2 + language] = L"-";  // the cancel notice
    }
    return MessageTable({kGerman.name, kEnglish.name}, texts);
}

// A built installer with the two languages: a readme and the folder page with its space
// display, over a black background with its title in white at the top left.
struct LiveInstaller {
    explicit LiveInstaller(const std::wstring& name) : root(L"live-" + name) {
        Settings s = test::FixtureSettings(L"Vantrel Live " + name);
        s.productFlagsLow |= product_flags::kShowFolderPage;
        s.defaultInstallFolder = root.Join(L"app");
        s.messages = TwoLanguages();
        s.readmeTexts = {L"Read me."};
        s.topColor = s.bottomColor = 0;
        s.titleColor = 0xFFFFFF;
        s.titlePosition = 1;
        s.titleSize = 1.0;
        s.pageStyles[0] = static_cast<std::uint32_t>(kExtraSpace);
        s.pageStyles[1] = static_cast<std::uint32_t>(kExtraSpace >> 32);
        PayloadWriteOptions options;
        options.productFlags2 = kShowSpace;
        EXPECT_TRUE(test::BuildSetup(test::EngineBytes(), s, {}, options).Save(root.Join(L"setup.exe")));
    }
    ChildProcess Start() const { return ChildProcess::Start(root.Join(L"setup.exe"), L""); }

    test::TempFolder root;
};

// A size as the space display writes it ("12.34 GB", "512 bytes"), in bytes; -1 when it is
// not one.
double BytesOf(const std::wstring& text) {
    static const std::pair<const wchar_t*, double> kUnits[] = {{L" bytes", 1.0},
                                                               {L" KB", 1024.0},
                                                               {L" MB", 1048576.0},
                                                               {L" GB", 1073741824.0},
                                                               {L" TB", 1099511627776.0}};
    for (const auto& [unit, factor] : kUnits) {
        const std::wstring suffix = unit;
        if (text.size() > suffix.size() &&
            text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            return std::stod(text.substr(0, text.size() - suffix.size())) * factor;
    }
    return -1;
}

// What the display says after `prefix` and a space, or nothing when it says something else.
std::optional<std::wstring> After(const std::wstring& text, const std::wstring& prefix) {
    if (text.size() <= prefix.size() + 1 || text.compare(0, prefix.size() + 1, prefix + L" ") != 0)
        return std::nullopt;
    return text.substr(prefix.size() + 1);
}

// Cancel on the page, and OK on the cancel routine's message: the run ends.
void CancelRun(ChildProcess& child, HWND page) {
    test::ClickControl(page, IDC_PAGE_CANCEL);
    const HWND notice = WaitForPageWithControl(child.Id(), IDOK, kTimeoutMs, page);
    ASSERT_NE(notice, nullptr);
    test::ClickControl(notice, IDOK);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

struct TypedFolder {
    const wchar_t* text;
    const wchar_t* drive;  // the drive whose free space shows; null: none shows
};

// The need is shown for every folder; the free space only for a drive that exists, found
// by the folder's drive letter in either case, and it follows each change of the text.
TEST(FolderSpace, FollowsTheDriveOfTheTypedFolder) {
    LiveInstaller installer(L"Space");
    ChildProcess child = installer.Start();
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_LANGUAGES, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, 1);
    test::ClickControl(page, IDC_PAGE_NEXT);
    page = WaitForPageWithControl(child.Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    test::ClickControl(page, IDC_PAGE_NEXT);
    page = WaitForPageWithControl(child.Id(), IDC_PAGE_FOLDER, kTimeoutMs);
    ASSERT_NE(page, nullptr);

    const std::wstring proposed = installer.root.Join(L"app");
    const std::wstring proposedDrive = proposed.substr(0, 2) + L"\\";
    const TypedFolder folders[] = {
        {proposed.c_str(), proposedDrive.c_str()},  // as the page opens
        {L"C:\\Vantrel Live\\app", L"C:\\"},
        {L"z:\\vantrel live", L"Z:\\"},
        {L"Q:\\app", nullptr},  // a drive that does not exist
        {L"relative\\app", nullptr},
    };
    for (const TypedFolder& folder : folders) {
        SCOPED_TRACE(Utf16ToUtf8(folder.text));
        if (folder.text != proposed.c_str()) {
            ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, folder.text));
        }
        EXPECT_EQ(ControlText(page, IDC_PAGE_SPACE_REQUIRED), L"Needed: 5.00 GB");
        const std::wstring available = ControlText(page, IDC_PAGE_SPACE_AVAILABLE);
        if (folder.drive == nullptr) {
            EXPECT_EQ(available, L"");
            continue;
        }
        ULARGE_INTEGER free{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(folder.drive, &free, nullptr, nullptr));
        const std::optional<std::wstring> size = After(available, L"Free:");
        ASSERT_TRUE(size.has_value()) << Utf16ToUtf8(available);
        // Other programs write to the disk meanwhile: near enough is the same.
        const double shown = BytesOf(*size);
        const auto measured = static_cast<double>(free.QuadPart);
        EXPECT_NEAR(shown, measured, measured * 0.02 + 1024) << Utf16ToUtf8(available);
    }
    CancelRun(child, page);
}

// The right end of the white title at the top of the background, in pixels from the left
// of the screen; 0 when no title shows.
// The screenshot stays in the build folder for a person to look at.
int TitleExtent(const char* name) {
    const RECT band{0, 0, GetSystemMetrics(SM_CXSCREEN), 90};
    const std::string path = std::string(VANTREL_SCREENSHOT_DIR) + "/language-switch-" + name + ".bmp";
    const test::Screenshot shot(test::TakeScreenshot(band, path, kTimeoutMs));
    int extent = 0;
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = shot.Width() - 1; x > extent; --x) {
            const test::Pixel p = shot.At(x, y);
            if (p.r > 200 && p.g > 200 && p.b > 200) {
                extent = x;
                break;
            }
        }
    }
    return extent;
}

void ExpectPageSays(HWND page, const Language& l, const wchar_t* title, const wchar_t* text) {
    EXPECT_EQ(test::WindowText(page), title);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), text);
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), l.next);
    EXPECT_EQ(ControlText(page, IDC_PAGE_CANCEL), l.cancel);
}

TEST(LanguageSwitch, LaterPagesAndTheBackgroundTitleSpeakTheChosenLanguage) {
    LiveInstaller installer(L"Switch");
    ChildProcess child = installer.Start();
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_LANGUAGES, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(test::ListSelection(page, IDC_PAGE_LANGUAGES), 1);
    const auto settled = [&](const char* name) {
        Sleep(500);  // the background repaints after the page has changed its texts
        return TitleExtent(name);
    };
    const int english = settled("english");
    ASSERT_GT(english, 0);

    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, 0);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), kGerman.choose);
    const int german = settled("german");
    // "Einrichtung von Vantrel Live" is far wider than "Setup".
    EXPECT_GT(german, english + 100);
    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, 1);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), kEnglish.choose);
    EXPECT_NEAR(settled("english-again"), english, 2);
    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, 0);
    test::ClickControl(page, IDC_PAGE_NEXT);

    // Every later page speaks German, and the background keeps the German title.
    page = WaitForPageWithControl(child.Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    ExpectPageSays(page, kGerman, kGerman.readmeTitle, kGerman.readmeText);
    test::ClickControl(page, IDC_PAGE_NEXT);
    page = WaitForPageWithControl(child.Id(), IDC_PAGE_FOLDER, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    ExpectPageSays(page, kGerman, kGerman.folderTitle, kGerman.folderText);
    EXPECT_EQ(ControlText(page, IDC_PAGE_BROWSE), kGerman.browse);
    EXPECT_TRUE(After(ControlText(page, IDC_PAGE_SPACE_REQUIRED), kGerman.needed).has_value());
    EXPECT_TRUE(After(ControlText(page, IDC_PAGE_SPACE_AVAILABLE), kGerman.free).has_value());
    EXPECT_NEAR(settled("german-folder-page"), german, 2);
    CancelRun(child, page);
}

}  // namespace
}  // namespace vantrel
