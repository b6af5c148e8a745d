// The wizard without a mouse: Tab visits each page's controls in reading order, Enter is
// Next, Esc is Cancel, and Alt with a letter that a text marks with '&' presses that button
// or check box. Each case walks the pages by keyboard alone, in one of the four layouts, and
// leaves at one page; what the run did afterwards shows that the keys reached the pages.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "e2e/engine_bytes.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::EngineBytes;
using test::FocusedControl;
using test::PathExists;
using test::PressKey;
using test::PressMnemonic;
using test::TabOrder;
using test::WaitForPageWithControl;
using test::WaitUntil;

constexpr DWORD kTimeoutMs = 60000;

// The pages of the walk in the order the installation shows them.
enum class Page { kLanguage, kStart, kPassword, kLicence, kReadme, kFolder, kStartMenu, kFinish };

// How the walk leaves the page it stops at.
enum class Leave {
    kEscape,          // Esc
    kCancelMnemonic,  // Alt and the letter of the Cancel button's text
    kFinishByKeys,    // not at all: the walk goes on to the end by mnemonics and Enter
};

struct PageKeys {
    Page page;
    int findBy;                 // a control only this page has among those before it
    std::vector<int> tabOrder;  // from the control that has the focus when the page opens
    wchar_t nextMnemonic = 0;   // Alt and this letter go on, in the walks to the end by keys
};

// Every page's controls in the order a person reads them: the content, then Next and Cancel.
// The finish page shows only the boxes the product has (open the item, launch) and no Cancel.
// The language page's Next reads "&Next", the Start-menu page's "&Install".
const std::vector<PageKeys>& Walk() {
    static const std::vector<PageKeys> walk = {
        {Page::kLanguage, IDC_PAGE_LANGUAGES, {IDC_PAGE_LANGUAGES, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}, L'n'},
        {Page::kStart, IDC_PAGE_LINK, {IDC_PAGE_LINK, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}},
        {Page::kPassword, IDC_PAGE_PASSWORD, {IDC_PAGE_PASSWORD, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}},
        {Page::kLicence, IDC_PAGE_TEXT_VIEW, {IDC_PAGE_TEXT_VIEW, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}},
        {Page::kReadme, IDC_PAGE_TEXT_VIEW, {IDC_PAGE_TEXT_VIEW, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}},
        {Page::kFolder, IDC_PAGE_FOLDER, {IDC_PAGE_FOLDER, IDC_PAGE_BROWSE, IDC_PAGE_NEXT, IDC_PAGE_CANCEL}},
        {Page::kStartMenu,
         IDC_PAGE_FOLDER,
         {IDC_PAGE_FOLDER, IDC_PAGE_BROWSE, IDC_PAGE_NEXT, IDC_PAGE_CANCEL},
         L'i'},
        {Page::kFinish, IDC_PAGE_LAUNCH, {IDC_PAGE_OPEN_ITEM, IDC_PAGE_LAUNCH, IDC_PAGE_NEXT}},
    };
    return walk;
}

// The texts of the walk, the same in both languages; the '&' marks the mnemonics.
MessageTable KeyboardMessages() {
    const std::map<std::size_t, std::wstring> texts = {
        {1, L"Welcome"},
        {11, L"Choose the folder for <product>."},
        {24, L"Installation folder"},
        {27, L"Password:"},
        {42, L"<product> is installed."},
        {43, L"Finished"},
        {44, L"Licence"},
        {45, L"I &agree"},
        {46, L"I &decline"},
        {47, L"Please read the licence."},
        {48, L"&Next"},
        {49, L"Cancel"},
        {50, L"Readme"},
        {51, L"Please read this first."},
        {52, L"B&rowse..."},
        {65, L"Welcome to <product>."},
        {75, L"Password"},
        {76, L"This installation is protected."},
        {79, L"Yes"},
        {80, L"No"},
        {82, L"Choose a language."},
        {83, L"Open the readme"},
        {87, L"&Start <product>"},
        {88, L"Start-menu folder:"},
        {89, L"Start menu"},
        {90, L"&Install"},
        {94, L"Language"},
        {95, L"&Close"},
        {98, L"The installation was cancelled."},
        {111, L"Cancelled"},
    };
    std::vector<std::wstring> table(120 * 2);
    for (const auto& [number, text] : texts) {
        table[number * 2] = text;
        table[number * 2 + 1] = text;
    }
    return MessageTable({L"English", L"Other"}, table);
}

struct KeyboardCase {
    const char* name;
    std::uint32_t pageStyle;  // the layout of every page
    Page stopAt;
    Leave leave;
    bool richLicence = false;   // the licence in the rich-text viewer instead of the plain text
    bool buttonImages = false;  // pictures on Next, Cancel and Browse, beside the texts' marks
};

// The rich-text viewer takes the place of the plain text, in the Tab order too.
constexpr int kRichTextViewer = IDC_PAGE_TEXT_VIEW + 100;

class WizardKeyboard : public testing::TestWithParam<KeyboardCase> {};

TEST_P(WizardKeyboard, TabEnterEscapeAndMnemonicsDriveEveryPage) {
    const KeyboardCase& c = GetParam();
    const std::wstring product = L"Vantrel Keys " + Windows1252ToUtf16(c.name);
    test::TempFolder root(L"keys-" + Windows1252ToUtf16(c.name));
    const std::wstring installDir = root.Join(L"app");

    Settings s = test::FixtureSettings(product);
    s.productFlagsLow &= ~product_flags::kNoEndNotice;
    s.productFlagsLow |= product_flags::kShowFolderPage | product_flags::kCompressedBlocks;
    s.productFlagsHigh |= product_flags::kShowStartMenuPage;
    s.productFlagsHigh &= ~product_flags::kNoStartQuestion;
    s.startPageText = L"The site of the keyboard walk";
    s.defaultInstallFolder = installDir;
    s.messages = KeyboardMessages();
    s.installerTitle = L"Keys Setup";
    s.installPassword = L"keys";
    s.licenceTexts = {c.richLicence ? L"{\\rtf1\\ansi The {\\b rich} licence of the keyboard walk.\\par}"
                                    : L"The licence of the keyboard walk."};
    s.readmeTexts = {L"The readme of the keyboard walk."};
    for (std::size_t word = 2; word < s.pageStyles.size(); ++word)
        s.pageStyles[word] = c.pageStyle;
    // The start page's layout 0 is a message box instead of a page.
    if (c.pageStyle == 0)
        s.pageStyles[2] = 1;
    // The launch option leaves a file behind when it runs.
    const std::wstring launched = root.Join(L"launched.txt");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    s.launchApplication =
        L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo launched> \"" + launched + L"\"";
    s.openItem = root.Join(L"readme.txt");
    ASSERT_TRUE(test::WriteTestFile(s.openItem, "readme"));
    PayloadWriteOptions options;
    options.productFlags2 = product_flags2::kLaunchDirectly;
    if (c.buttonImages)
        options.productFlags2 |= product_flags2::kButtonImages;
    PayloadFileInput file;
    file.record.name = "app.txt";
    file.size = 4;
    file.readData = [] { return Bytes{'k', 'e', 'y', 's'}; };
    const std::wstring setupPath = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), s, {file}, options).Save(setupPath));

    ChildProcess child = ChildProcess::Start(setupPath, L"");
    ASSERT_TRUE(child.Started());
    HWND previous = nullptr;
    for (const PageKeys& keys : Walk()) {
        SCOPED_TRACE(testing::Message() << "page " << static_cast<int>(keys.page));
        const HWND page = WaitForPageWithControl(child.Id(), keys.findBy, kTimeoutMs, previous);
        ASSERT_NE(page, nullptr);
        previous = page;
        std::vector<int> tabOrder = keys.tabOrder;
        if (keys.page == Page::kLicence && c.richLicence)
            tabOrder.front() = kRichTextViewer;
        // A whole round of Tab, which brings the focus back where the page put it.
        EXPECT_EQ(TabOrder(page), tabOrder);
        HWND focus = FocusedControl(page);
        ASSERT_NE(focus, nullptr);
        ASSERT_EQ(GetDlgCtrlID(focus), tabOrder.front());

        if (keys.page == Page::kPassword)
            SetWindowTextW(focus, L"keys");
        if (keys.page == Page::kFolder && c.leave == Leave::kFinishByKeys) {
            // "B&rowse..." opens the folder browser; Esc closes it, and the focus is back in
            // the folder field.
            PressMnemonic(focus, L'r');
            HWND browser = nullptr;
            ASSERT_TRUE(WaitUntil(
                [&] {
                    for (HWND window : test::TopLevelWindows(child.Id())) {
                        if (window != page)
                            browser = window;
                    }
                    return browser != nullptr && FocusedControl(browser) != nullptr;
                },
                kTimeoutMs));
            PressKey(FocusedControl(browser), VK_ESCAPE);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kTimeoutMs));
            EXPECT_TRUE(WaitUntil([&] { return FocusedControl(page) == focus; }, kTimeoutMs));
        }
        if (keys.page == Page::kFinish) {
            // "&Start <product>" checks the box that starts clear.
            EXPECT_FALSE(test::ControlChecked(page, IDC_PAGE_LAUNCH));
            PressMnemonic(focus, L's');
            EXPECT_TRUE(WaitUntil([&] { return test::ControlChecked(page, IDC_PAGE_LAUNCH); }, kTimeoutMs));
            focus = FocusedControl(page);
            ASSERT_NE(focus, nullptr);
        }
        const bool leaveHere = keys.page == c.stopAt && c.leave != Leave::kFinishByKeys;
        if (leaveHere && c.leave == Leave::kEscape) {
            PressKey(focus, VK_ESCAPE);
        } else if (leaveHere) {
            // The licence's Cancel reads "I &decline", the others "Cancel" without a mark.
            ASSERT_EQ(keys.page, Page::kLicence);
            PressMnemonic(focus, L'd');
        } else if (c.leave == Leave::kFinishByKeys && keys.nextMnemonic != 0) {
            PressMnemonic(focus, keys.nextMnemonic);
        } else {
            PressKey(focus, VK_RETURN);
        }
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kTimeoutMs)) << "the page stayed";
        if (leaveHere)
            break;
    }

    const bool cancelled = c.stopAt != Page::kFinish;
    // Leaving the language page ends the run without a word; the later pages say why.
    if (cancelled && c.stopAt != Page::kLanguage) {
        const HWND box = test::WaitForWindowTitled(child.Id(), L"Cancelled", kTimeoutMs);
        ASSERT_NE(box, nullptr);
        // The message box answers to the keyboard too.
        PressKey(GetDlgItem(box, IDOK), VK_RETURN);
    }
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_EQ(PathExists(installDir + L"\\app.txt"), !cancelled);
    // The launch box was checked by its mnemonic; Esc on the finish page drops every option.
    if (c.leave == Leave::kFinishByKeys)
        EXPECT_TRUE(WaitUntil([&] { return PathExists(launched); }, kTimeoutMs));
    else
        EXPECT_FALSE(PathExists(launched));
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, WizardKeyboard,
    testing::Values(KeyboardCase{"EscapeOnLanguage", 0, Page::kLanguage, Leave::kEscape},
                    KeyboardCase{"EscapeOnStart", 2, Page::kStart, Leave::kEscape},
                    KeyboardCase{"EscapeOnPassword", 1, Page::kPassword, Leave::kEscape},
                    KeyboardCase{"EscapeOnLicence", 2, Page::kLicence, Leave::kEscape},
                    KeyboardCase{"DeclineLicenceByMnemonic", 3, Page::kLicence, Leave::kCancelMnemonic},
                    KeyboardCase{"EscapeOnReadme", 0, Page::kReadme, Leave::kEscape},
                    KeyboardCase{"EscapeOnFolder", 1, Page::kFolder, Leave::kEscape},
                    KeyboardCase{"EscapeOnStartMenu", 2, Page::kStartMenu, Leave::kEscape},
                    KeyboardCase{"EscapeOnFinish", 3, Page::kFinish, Leave::kEscape},
                    KeyboardCase{"ToTheEndPlain", 0, Page::kFinish, Leave::kFinishByKeys},
                    KeyboardCase{"ToTheEndPanel", 3, Page::kFinish, Leave::kFinishByKeys},
                    KeyboardCase{"RichLicenceToTheEnd", 1, Page::kFinish, Leave::kFinishByKeys, true},
                    KeyboardCase{"EscapeOnRichLicence", 2, Page::kLicence, Leave::kEscape, true},
                    KeyboardCase{"ButtonImagesToTheEnd", 2, Page::kFinish, Leave::kFinishByKeys, false, true},
                    KeyboardCase{"DeclineLicenceWithButtonImages", 1, Page::kLicence, Leave::kCancelMnemonic,
                                 false, true}),
    test::CaseName);

}  // namespace
}  // namespace vantrel
