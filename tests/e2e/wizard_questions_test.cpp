// The pages that ask one thing: the start page, the password, the readme, a rich-text licence
// and the request to remove an earlier installation first. Each scenario answers them as a
// person would and checks what the run did.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <optional>
#include <string>
#include <utility>

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
using test::ControlText;
using test::EngineBytes;
using test::PathExists;
using test::PressKey;
using test::WaitForPageWithControl;
using test::WaitUntil;

constexpr DWORD kTimeoutMs = 60000;
constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// One scenario's product: its folder, its settings with the page texts, and its setup.exe.
struct Scenario {
    explicit Scenario(const std::wstring& name)
        : product(L"Vantrel Question " + name), root(L"question-" + name), installDir(root.Join(L"app")) {
        settings = test::FixtureSettings(product);
        settings.defaultInstallFolder = installDir;
        settings.productFlagsLow |= product_flags::kCompressedBlocks;
        std::vector<std::wstring> texts(120);
        texts[1] = L"Welcome";
        texts[9] = L"The earlier version must be removed first.";
        texts[21] = L"Question Error";
        texts[27] = L"Password:";
        texts[44] = L"Licence";
        texts[45] = L"I agree";
        texts[46] = L"I decline";
        texts[47] = L"Please read the licence.";
        texts[48] = L"Next";
        texts[49] = L"Cancel";
        texts[50] = L"Readme";
        texts[51] = L"Please read this first.";
        texts[65] = L"Welcome to the installation of <product>.";
        texts[75] = L"Password";
        texts[79] = L"Ja";
        texts[80] = L"Nein";
        texts[76] = L"This installation is protected.";
        texts[98] = L"The installation was cancelled.";
        texts[102] = L"The password is wrong.";
        texts[104] = L"Uninstall";
        texts[111] = L"Cancelled";
        settings.messages = MessageTable({L"English"}, texts);
    }

    ChildProcess Start(const std::wstring& arguments = L"", std::uint32_t flags2 = 0) {
        PayloadFileInput file;
        file.record.name = "app.txt";
        file.size = 3;
        file.readData = [] { return Bytes{'a', 'p', 'p'}; };
        PayloadWriteOptions options;
        options.productFlags2 = flags2;
        const std::wstring path = root.Join(L"setup.exe");
        EXPECT_TRUE(test::BuildSetup(EngineBytes(), settings, {file}, options).Save(path));
        return ChildProcess::Start(path, arguments);
    }

    bool Installed() const { return PathExists(installDir + L"\\app.txt"); }

    std::wstring product;
    test::TempFolder root;
    std::wstring installDir;
    Settings settings;
};

// The message box the process shows (a window without page controls), or null.
HWND WaitForMessageBox(DWORD processId, HWND page) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : test::TopLevelWindows(processId)) {
                if (window != page && GetDlgItem(window, IDC_PAGE_MAIN_TEXT) == nullptr) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        kTimeoutMs);
    return found;
}

// The cancel routine's message after `page`, then the end of the run with nothing installed.
void ExpectCancelled(ChildProcess& child, HWND page, const Scenario& scenario) {
    const HWND box = WaitForMessageBox(child.Id(), page);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::WindowText(box), L"Cancelled");
    test::PressButton(box, L"OK");
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_FALSE(scenario.Installed());
}

TEST(WizardQuestions, PasswordIsAskedUntilTypedExactly) {
    Scenario scenario(L"Password");
    scenario.settings.installPassword = L"Open Sesame";
    ChildProcess child = scenario.Start();
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_PASSWORD, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::WindowText(page), L"Password");
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), L"This installation is protected.");
    EXPECT_EQ(ControlText(page, IDC_PAGE_PASSWORD_LABEL), L"Password:");
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), L"OK");
    // Another letter case is another password.
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_PASSWORD, L"open sesame"));
    test::ClickControl(page, IDC_PAGE_NEXT);
    const HWND box = WaitForMessageBox(child.Id(), page);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::WindowText(box), L"Question Error");
    EXPECT_NE(test::AllStaticText(box).find(L"The password is wrong."), std::wstring::npos);
    test::PressButton(box, L"OK");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kTimeoutMs));
    EXPECT_TRUE(IsWindow(page));
    EXPECT_FALSE(scenario.Installed());
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_PASSWORD, L"Open Sesame"));
    test::ClickControl(page, IDC_PAGE_NEXT);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(scenario.Installed());
}

TEST(WizardQuestions, CancellingThePasswordInstallsNothing) {
    Scenario scenario(L"PasswordCancel");
    scenario.settings.installPassword = L"x";
    ChildProcess child = scenario.Start();
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_PASSWORD, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    test::ClickControl(page, IDC_PAGE_CANCEL);
    ExpectCancelled(child, page, scenario);
}

TEST(WizardQuestions, StartPageShowsItsLinkAndGoesOn) {
    Scenario scenario(L"Start");
    scenario.settings.productFlagsHigh &= ~product_flags::kNoStartQuestion;
    scenario.settings.pageStyles[2] = 1;
    scenario.settings.startPageText = L"Visit the product's site";
    ChildProcess child = scenario.Start();
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_LINK, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::WindowText(page), L"Welcome");
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT),
              L"Welcome to the installation of Vantrel Question Start.");
    EXPECT_EQ(ControlText(page, IDC_PAGE_LINK), L"Visit the product's site");
    EXPECT_NE(GetDlgItem(page, IDC_PAGE_PICTURE), nullptr);
    test::ClickControl(page, IDC_PAGE_NEXT);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(scenario.Installed());
}

TEST(WizardQuestions, MessageBoxesAnswerInTheInstallersLanguage) {
    Scenario scenario(L"StartBox");
    // The start page in its message-box form: a Yes/No question.
    scenario.settings.productFlagsHigh &= ~product_flags::kNoStartQuestion;
    scenario.settings.pageStyles[2] = 0;
    ChildProcess child = scenario.Start();
    const HWND box = WaitForMessageBox(child.Id(), nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::WindowText(box), L"Welcome");
    EXPECT_EQ(test::WindowText(GetDlgItem(box, IDYES)), L"Ja");
    EXPECT_EQ(test::WindowText(GetDlgItem(box, IDNO)), L"Nein");
    EXPECT_TRUE(test::PressButton(box, L"Ja"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(scenario.Installed());
}

TEST(WizardQuestions, ReadmeAndRichLicenceAreShownInTurn) {
    Scenario scenario(L"Texts");
    scenario.settings.licenceTexts = {L"{\\rtf1\\ansi Rich {\\b licence} text.\\par}"};
    scenario.settings.readmeTexts = {L"Plain readme\nsecond line"};
    // The short rich licence is in view at once, so Next comes without scrolling.
    ChildProcess child = scenario.Start(L"", 0x800000);
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::WindowText(page), L"Licence");
    EXPECT_FALSE(test::ControlVisible(page, IDC_PAGE_TEXT_VIEW));
    HWND viewer = FindWindowExW(page, nullptr, L"RichEdit20W", nullptr);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(test::WindowText(viewer).substr(0, 18), L"Rich licence text.");
    EXPECT_TRUE(WaitUntil([&] { return test::ControlEnabled(page, IDC_PAGE_NEXT); }, kTimeoutMs));
    test::ClickControl(page, IDC_PAGE_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kTimeoutMs));

    page = WaitForPageWithControl(child.Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::WindowText(page), L"Readme");
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), L"Please read this first.");
    EXPECT_EQ(ControlText(page, IDC_PAGE_TEXT_VIEW), L"Plain readme\r\nsecond line");
    EXPECT_EQ(FindWindowExW(page, nullptr, L"RichEdit20W", nullptr), nullptr);
    EXPECT_TRUE(test::ControlEnabled(page, IDC_PAGE_NEXT));
    test::ClickControl(page, IDC_PAGE_NEXT);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(scenario.Installed());
}

BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Edit") != 0 || !IsWindowVisible(child))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The rich-text licence's context menu, one entry after another on the same page; the page
// goes on working after each.
class RichTextMenu : public testing::Test {
  protected:
    static constexpr int kCopy = 0;  // positions in the menu
    static constexpr int kPrint = 1;
    static constexpr int kSaveAs = 2;

    void SetUp() override {
        scenario_.settings.licenceTexts = {
            L"{\\rtf1\\ansi Menu {\\b licence} text.\\par Second paragraph.\\par}"};
        child_.emplace(scenario_.Start());
        page_ = WaitForPageWithControl(child_->Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
        ASSERT_NE(page_, nullptr);
        viewer_ = FindWindowExW(page_, nullptr, L"RichEdit20W", nullptr);
        ASSERT_NE(viewer_, nullptr);
    }

    bool Choose(int position, test::MenuOpening opening = test::MenuOpening::kMenuKey) {
        return test::ChooseContextMenuEntry(child_->Id(), page_, viewer_, position, kTimeoutMs, opening);
    }
    // The selection of the viewer as (start, end).
    std::pair<int, int> Selection() const {
        const auto packed = static_cast<DWORD>(SendMessageW(viewer_, EM_GETSEL, 0, 0));
        return {LOWORD(packed), HIWORD(packed)};
    }
    // The run's window captioned `caption`, or null after the timeout.
    HWND WindowCaptioned(const std::wstring& caption) const {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                for (HWND window : test::TopLevelWindows(child_->Id())) {
                    if (window != page_ && test::WindowText(window) == caption)
                        found = window;
                }
                return found != nullptr;
            },
            kTimeoutMs);
        return found;
    }
    // Next still ends the page and the installation completes.
    void ExpectPageGoesOn() {
        EXPECT_TRUE(WaitUntil([&] { return test::ControlEnabled(page_, IDC_PAGE_NEXT); }, kTimeoutMs));
        test::ClickControl(page_, IDC_PAGE_NEXT);
        EXPECT_EQ(child_->Wait(kTimeoutMs), std::optional<DWORD>(1u));
        EXPECT_TRUE(scenario_.Installed());
    }

    Scenario scenario_{L"RichMenu"};
    std::optional<ChildProcess> child_;
    HWND page_ = nullptr;
    HWND viewer_ = nullptr;
};

TEST_F(RichTextMenu, CopyTakesTheSelectionOrElseTheWholeText) {
    const std::wstring whole = test::WindowText(viewer_);
    ASSERT_EQ(whole.substr(0, 18), L"Menu licence text.");
    // Nothing selected: the whole text, and the selection stays as it was.
    SendMessageW(viewer_, EM_SETSEL, 3, 3);
    ASSERT_TRUE(Choose(kCopy));
    EXPECT_TRUE(WaitUntil([&] { return test::ClipboardText() == whole; }, kTimeoutMs))
        << Utf16ToUtf8(test::ClipboardText().value_or(L"(none)"));
    EXPECT_EQ(Selection(), std::make_pair(3, 3));
    // A selection: only that.
    SendMessageW(viewer_, EM_SETSEL, 5, 12);
    ASSERT_TRUE(Choose(kCopy));
    EXPECT_TRUE(WaitUntil([&] { return test::ClipboardText() == L"licence"; }, kTimeoutMs))
        << Utf16ToUtf8(test::ClipboardText().value_or(L"(none)"));
    EXPECT_EQ(Selection(), std::make_pair(5, 12));
    ExpectPageGoesOn();
}

TEST_F(RichTextMenu, SaveAsWritesTheDocumentAsRichText) {
    const std::wstring target = scenario_.root.Join(L"saved licence");
    ASSERT_TRUE(Choose(kSaveAs, test::MenuOpening::kRightClick));
    const HWND dialog = WindowCaptioned(L"Save As");
    ASSERT_NE(dialog, nullptr);
    // The file name field: the first edit field of the dialog, typed into, then Enter.
    HWND field = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            EnumChildWindows(dialog, &FindVisibleEdit, reinterpret_cast<LPARAM>(&field));
            return field != nullptr;
        },
        kTimeoutMs));
    DWORD_PTR set = 0;
    ASSERT_NE(SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()), SMTO_NORMAL,
                                  kTimeoutMs, &set),
              0)
        << "the Save As dialog does not answer";
    PressKey(field, VK_RETURN);
    // The default extension is added; the text read back is the page's.
    const std::wstring saved = target + L".rtf";
    ASSERT_TRUE(WaitUntil(
        [&] { return test::ReadTestFile(saved).find("Second paragraph") != std::string::npos; }, kTimeoutMs));
    const std::string rtf = test::ReadTestFile(saved);
    EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("licence"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\b"), std::string::npos) << rtf;
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    ExpectPageGoesOn();
}

TEST_F(RichTextMenu, PrintAsksForThePrinterAndCancelLeavesThePage) {
    ASSERT_TRUE(Choose(kPrint));
    // The system's print dialog, or (with no printer installed, as under Wine) its notice
    // that a printer is needed; both say "Print". Cancelling is no failure to print: no
    // message of the installer's follows.
    const HWND dialog = WindowCaptioned(L"Print");
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    Sleep(500);
    for (HWND window : test::TopLevelWindows(child_->Id()))
        EXPECT_EQ(window, page_) << Utf16ToUtf8(test::WindowText(window) + L": " +
                                                test::AllStaticText(window));
    ExpectPageGoesOn();
}

TEST(WizardQuestions, EnterGoesOnAndEscapeCancels) {
    Scenario scenario(L"Keyboard");
    scenario.settings.readmeTexts = {L"Read me"};
    scenario.settings.installPassword = L"key";
    ChildProcess child = scenario.Start();
    // Enter in the password field is OK.
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_PASSWORD, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_PASSWORD, L"key"));
    PressKey(GetDlgItem(page, IDC_PAGE_PASSWORD), VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kTimeoutMs));
    // Escape on the readme is Cancel: the cancel message, then the end.
    page = WaitForPageWithControl(child.Id(), IDC_PAGE_TEXT_VIEW, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    PressKey(GetDlgItem(page, IDC_PAGE_TEXT_VIEW), VK_ESCAPE);
    ExpectCancelled(child, page, scenario);
}

struct MustUninstallCase {
    const char* name;
    bool agree;
    bool byKeyboard;  // Enter or Esc instead of a click
};

class MustUninstallQuestion : public testing::TestWithParam<MustUninstallCase> {};

TEST_P(MustUninstallQuestion, HandsOverOnlyWhenTheUserAgrees) {
    const MustUninstallCase& c = GetParam();
    Scenario scenario(L"Must" + Windows1252ToUtf16(c.name));
    const std::wstring key = kUninstallRoot + scenario.product;
    CreateDirectoryW(scenario.installDir.c_str(), nullptr);
    HKEY entry = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry,
                              nullptr),
              ERROR_SUCCESS);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring marker = scenario.root.Join(L"uninstaller-ran.txt");
    const std::wstring command =
        L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo ran>\"" + marker + L"\"";
    const auto setText = [&](const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(entry, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    setText(L"InstallLocation", scenario.installDir);
    setText(L"DisplayVersion", L"1.0");
    setText(L"UninstallString", command);
    RegCloseKey(entry);
    scenario.settings.uninstallKeyName = scenario.product;
    scenario.settings.productFlagsLow |=
        product_flags::kRegisterForUninstall | product_flags::kMustUninstallFirst;

    // Even an automatic run asks this.
    ChildProcess child = scenario.Start(L"/a");
    HWND page = WaitForPageWithControl(child.Id(), IDC_PAGE_NEXT, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(test::WindowText(page), L"Question Error");
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), L"The earlier version must be removed first.");
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), L"Uninstall");
    EXPECT_EQ(ControlText(page, IDC_PAGE_CANCEL), L"Cancel");
    if (c.byKeyboard)
        PressKey(GetDlgItem(page, IDC_PAGE_NEXT), c.agree ? VK_RETURN : VK_ESCAPE);
    else
        test::ClickControl(page, c.agree ? IDC_PAGE_NEXT : IDC_PAGE_CANCEL);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    if (c.agree) {
        EXPECT_TRUE(WaitUntil([&] { return PathExists(marker); }, kTimeoutMs));
    } else {
        Sleep(1000);
        EXPECT_FALSE(PathExists(marker));
    }
    EXPECT_FALSE(scenario.Installed());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

INSTANTIATE_TEST_SUITE_P(Wizard, MustUninstallQuestion,
                         testing::Values(MustUninstallCase{"Agree", true, false},
                                         MustUninstallCase{"Decline", false, false},
                                         MustUninstallCase{"AgreeByEnter", true, true},
                                         MustUninstallCase{"DeclineByEscape", false, true}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
