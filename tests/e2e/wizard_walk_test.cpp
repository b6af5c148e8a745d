// Interactive installations walked through their pages as a person would: the language, the
// licence read to its end, a folder refused and a good one, the Start-menu folder and the
// finish options. Each walk checks what the pages said and what the run did with each answer.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

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
using test::ControlEnabled;
using test::ControlText;
using test::ControlVisible;
using test::EngineBytes;
using test::PathExists;
using test::WaitForPageWithControl;
using test::WaitUntil;

// Generous: the machine running the tests may be busy; every wait ends on success.
constexpr DWORD kPageTimeoutMs = 60000;

std::wstring SystemFolder() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return system;
}

// The texts of the pages in the two languages of the walks, by message number. The German
// list comes first, so that choosing English shows the system's language won over order.
const std::map<std::size_t, std::pair<std::wstring, std::wstring>>& PageMessages() {
    static const std::map<std::size_t, std::pair<std::wstring, std::wstring>> messages = {
        {11, {L"W\u00e4hlen Sie den Ordner f\u00fcr <product>.", L"Choose the folder for <product>."}},
        {17, {L"Nicht in ein Laufwerk selbst.", L"Not into a drive itself."}},
        {24, {L"Zielordner", L"Installation folder"}},
        {42, {L"<product> ist installiert.", L"<product> is installed."}},
        {43, {L"Fertig", L"Finished"}},
        {44, {L"Lizenz", L"Licence"}},
        {45, {L"Annehmen", L"I &agree"}},
        {46, {L"Ablehnen", L"I &decline"}},
        {47, {L"Bitte lesen Sie die Lizenz.", L"Please read the licence."}},
        {48, {L"&Weiter", L"&Next"}},
        {49, {L"Abbrechen", L"Cancel"}},
        {52, {L"&Durchsuchen...", L"B&rowse..."}},
        {65, {L"Einrichtung", L"Setup"}},
        {82, {L"W\u00e4hlen Sie eine Sprache.", L"Choose a language."}},
        {83, {L"Liesmich \u00f6ffnen", L"Open the readme"}},
        {84, {L"Webseite \u00f6ffnen", L"Open the web page"}},
        {87, {L"<product> starten", L"Start <product>"}},
        {88, {L"Ordner im Startmen\u00fc:", L"Start-menu folder:"}},
        {89, {L"Startmen\u00fc", L"Start menu"}},
        {90, {L"&Installieren", L"&Install"}},
        {94, {L"Sprache", L"Language"}},
        {95, {L"&Schlie\u00dfen", L"&Close"}},
    };
    return messages;
}

std::wstring Expected(std::size_t number, bool german, const std::wstring& product) {
    const auto& texts = PageMessages().at(number);
    std::wstring text = german ? texts.first : texts.second;
    if (const std::size_t at = text.find(L"<product>"); at != std::wstring::npos)
        text.replace(at, 9, product);
    return text;
}

MessageTable TwoLanguages() {
    constexpr std::size_t kCount = 120;
    std::vector<std::wstring> texts(kCount * 2);
    for (const auto& [number, pair] : PageMessages()) {
        texts[number * 2] = pair.first;
        texts[number * 2 + 1] = pair.second;
    }
    return MessageTable({L"Deutsch", L"English"}, texts);
}

// A licence long enough to need scrolling on any page.
std::wstring LongLicence() {
    std::wstring text;
    for (int line = 1; line <= 120; ++line)
        text += L"Licence line " + std::to_wstring(line) + L" of the walk's product.\r\n";
    return text + L"The last line.";
}

struct WalkCase {
    const char* name;
    std::uint32_t pageStyle;  // the same layout for every page
    bool german;
    bool launch;    // the choice on the finish page (the box starts checked)
    bool openItem;  // the choice on the finish page (the box starts clear)
    const wchar_t* startMenuName;
};

class WizardWalk : public testing::TestWithParam<WalkCase> {};

// What the process shows, for the message of a failed wait.
std::string Showing(ChildProcess& child) {
    const DWORD processId = child.Id();
    std::wstring all;
    if (const auto code = child.Wait(0))
        all = L"ended with " + std::to_wstring(*code) + L" ";
    for (HWND window : test::TopLevelWindows(processId))
        all += L"[" + test::WindowText(window) + L": " + test::AllStaticText(window) + L"] ";
    return Utf16ToUtf8(all);
}

TEST_P(WizardWalk, EachAnswerReachesTheInstallation) {
    const WalkCase& c = GetParam();
    const std::wstring product = L"Vantrel Walk " + Windows1252ToUtf16(c.name);
    test::TempFolder root(L"walk-" + Windows1252ToUtf16(c.name));
    const std::wstring proposed = root.Join(L"proposed");
    const std::wstring chosen = root.Join(L"chosen app");
    const std::wstring evidence = root.Path();

    Settings s = test::FixtureSettings(product);
    // The finish page is the end notice of a product with things to do at the end.
    s.productFlagsLow &= ~product_flags::kNoEndNotice;
    s.productFlagsLow |= product_flags::kShowFolderPage | product_flags::kCompressedBlocks;
    s.productFlagsHigh |= product_flags::kShowStartMenuPage;
    s.defaultInstallFolder = proposed;
    s.messages = TwoLanguages();
    s.installerTitle = L"Walk Setup";
    s.licenceTexts = {LongLicence()};
    for (std::size_t word = 2; word < s.pageStyles.size(); ++word)
        s.pageStyles[word] = c.pageStyle;
    const std::string evidenceFolder = Utf16ToWindows1252(evidence);
    s.preInstallBatch = "echo %InstallDir%^|%StartMenuChosen%> \"" + evidenceFolder + "\\folders.txt\"\r\n";
    // The finish options leave files behind when they run.
    s.launchApplication =
        L"\"" + SystemFolder() + L"\\cmd.exe\" /c echo launched> \"" + evidence + L"\\launched.txt\"";
    s.openItem = evidence + L"\\open-item.bat";
    ASSERT_TRUE(test::WriteTestFile(s.openItem, "echo opened> \"" + evidenceFolder + "\\opened.txt\"\r\n"));
    PayloadWriteOptions options;
    options.productFlags2 = 0x800000 /* the licence is read to its end */ | 0x10 /* launch starts checked */ |
                            product_flags2::kLaunchDirectly;
    PayloadFileInput file;
    file.record.name = "app.txt";
    file.size = 5;
    file.readData = [] { return Bytes{'w', 'a', 'l', 'k', '!'}; };
    const std::wstring setupPath = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), s, {file}, options).Save(setupPath));

    ChildProcess child = ChildProcess::Start(setupPath, L"");
    ASSERT_TRUE(child.Started());
    const DWORD id = child.Id();

    // Language: both names in payload order, the system's language chosen; a change of
    // language says everything again in the new one.
    HWND page = WaitForPageWithControl(id, IDC_PAGE_LANGUAGES, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_EQ(test::ListEntries(page, IDC_PAGE_LANGUAGES),
              (std::vector<std::wstring>{L"Deutsch", L"English"}));
    EXPECT_EQ(test::ListSelection(page, IDC_PAGE_LANGUAGES), 1);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(82, false, product));
    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, 0);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(82, true, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), Expected(48, true, product));
    test::SelectListEntry(page, IDC_PAGE_LANGUAGES, c.german ? 0 : 1);
    EXPECT_EQ(ControlText(page, IDC_PAGE_CANCEL), Expected(49, c.german, product));
    if (c.pageStyle == 2) {
        EXPECT_EQ(test::WindowText(page), Expected(65, c.german, product));
        EXPECT_EQ(ControlText(page, IDC_PAGE_HEADER_SUBTITLE), Expected(94, c.german, product));
    } else {
        EXPECT_EQ(test::WindowText(page), Expected(94, c.german, product));
    }
    test::ClickControl(page, IDC_PAGE_NEXT);

    // Licence: Next waits until the text has been read to its end.
    page = WaitForPageWithControl(id, IDC_PAGE_TEXT_VIEW, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(47, c.german, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), Expected(45, c.german, product));
    EXPECT_NE(ControlText(page, IDC_PAGE_TEXT_VIEW).find(L"Licence line 120"), std::wstring::npos);
    Sleep(500);
    EXPECT_FALSE(ControlEnabled(page, IDC_PAGE_NEXT))
        << "first visible line "
        << SendMessageW(GetDlgItem(page, IDC_PAGE_TEXT_VIEW), EM_GETFIRSTVISIBLELINE, 0, 0) << " of "
        << SendMessageW(GetDlgItem(page, IDC_PAGE_TEXT_VIEW), EM_GETLINECOUNT, 0, 0);
    test::ScrollToEnd(page, IDC_PAGE_TEXT_VIEW);
    EXPECT_TRUE(WaitUntil([&] { return ControlEnabled(page, IDC_PAGE_NEXT); }, kPageTimeoutMs));
    test::ClickControl(page, IDC_PAGE_NEXT);

    // Folder: the proposal; a blank folder brings the page back, a drive root brings it back
    // after saying why, then the chosen one (tidied by the checks) is taken.
    page = WaitForPageWithControl(id, IDC_PAGE_FOLDER, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_TRUE(ControlVisible(page, IDC_PAGE_BROWSE));
    EXPECT_EQ(ControlText(page, IDC_PAGE_FOLDER), proposed);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(11, c.german, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_BROWSE), Expected(52, c.german, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), Expected(48, c.german, product));
    // The product does not ask for the space display: its lines are there and say nothing.
    EXPECT_NE(GetDlgItem(page, IDC_PAGE_SPACE_REQUIRED), nullptr);
    EXPECT_EQ(ControlText(page, IDC_PAGE_SPACE_REQUIRED), L"");
    EXPECT_EQ(ControlText(page, IDC_PAGE_SPACE_AVAILABLE), L"");
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, L"   "));
    test::ClickControl(page, IDC_PAGE_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kPageTimeoutMs));
    page = WaitForPageWithControl(id, IDC_PAGE_FOLDER, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_EQ(ControlText(page, IDC_PAGE_FOLDER), L"");
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, L"C:\\"));
    test::ClickControl(page, IDC_PAGE_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kPageTimeoutMs));
    const HWND refusal = WaitForPageWithControl(id, IDOK, kPageTimeoutMs);
    ASSERT_NE(refusal, nullptr) << Showing(child);
    EXPECT_EQ(test::WindowText(refusal), L"Walk Setup");
    EXPECT_NE(test::AllStaticText(refusal).find(Expected(17, c.german, product)), std::wstring::npos)
        << Showing(child);
    test::ClickControl(refusal, IDOK);
    page = WaitForPageWithControl(id, IDC_PAGE_FOLDER, kPageTimeoutMs, refusal);
    ASSERT_NE(page, nullptr) << Showing(child);
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, L"  " + chosen + L"\\ "));
    test::ClickControl(page, IDC_PAGE_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(page); }, kPageTimeoutMs));

    // Start menu: the product's name proposed; a colon refuses Next; two names joined by a
    // backslash are taken.
    page = WaitForPageWithControl(id, IDC_PAGE_FOLDER, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(88, c.german, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_FOLDER), product);
    EXPECT_EQ(ControlText(page, IDC_PAGE_NEXT), Expected(90, c.german, product));
    EXPECT_TRUE(ControlEnabled(page, IDC_PAGE_NEXT));
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, L"Bad:Name"));
    EXPECT_TRUE(WaitUntil([&] { return !ControlEnabled(page, IDC_PAGE_NEXT); }, kPageTimeoutMs));
    ASSERT_TRUE(test::SetControlText(page, IDC_PAGE_FOLDER, c.startMenuName));
    EXPECT_TRUE(WaitUntil([&] { return ControlEnabled(page, IDC_PAGE_NEXT); }, kPageTimeoutMs));
    test::ClickControl(page, IDC_PAGE_NEXT);

    // Finish: the two options the product has, launch first checked; the walk's choices.
    page = WaitForPageWithControl(id, IDC_PAGE_LAUNCH, kPageTimeoutMs);
    ASSERT_NE(page, nullptr) << Showing(child);
    EXPECT_EQ(test::WindowText(page),
              c.pageStyle == 2 ? Expected(65, c.german, product) : Expected(43, c.german, product));
    EXPECT_EQ(ControlText(page, IDC_PAGE_MAIN_TEXT), Expected(42, c.german, product));
    EXPECT_TRUE(ControlVisible(page, IDC_PAGE_LAUNCH));
    EXPECT_TRUE(ControlVisible(page, IDC_PAGE_OPEN_ITEM));
    EXPECT_FALSE(ControlVisible(page, IDC_PAGE_OPEN_SECOND_ITEM));
    EXPECT_FALSE(ControlVisible(page, IDC_PAGE_VIEW_LOG));
    EXPECT_FALSE(ControlVisible(page, IDC_PAGE_CANCEL));
    EXPECT_EQ(ControlText(page, IDC_PAGE_LAUNCH), Expected(87, c.german, product));
    EXPECT_TRUE(test::ControlChecked(page, IDC_PAGE_LAUNCH));
    EXPECT_FALSE(test::ControlChecked(page, IDC_PAGE_OPEN_ITEM));
    // The open-item box sits above the launch box, the first visible one at the top.
    EXPECT_LT(test::ControlRect(page, IDC_PAGE_OPEN_ITEM).top, test::ControlRect(page, IDC_PAGE_LAUNCH).top);
    if (!c.launch)
        test::ClickControl(page, IDC_PAGE_LAUNCH);
    if (c.openItem)
        test::ClickControl(page, IDC_PAGE_OPEN_ITEM);
    EXPECT_TRUE(
        WaitUntil([&] { return test::ControlChecked(page, IDC_PAGE_LAUNCH) == c.launch; }, kPageTimeoutMs));
    EXPECT_TRUE(WaitUntil([&] { return test::ControlChecked(page, IDC_PAGE_OPEN_ITEM) == c.openItem; },
                          kPageTimeoutMs));
    test::ClickControl(page, IDC_PAGE_NEXT);

    EXPECT_EQ(child.Wait(kPageTimeoutMs), std::optional<DWORD>(1u));
    // The folder as chosen, tidied; the Start-menu folder below the programs folder.
    EXPECT_EQ(test::ReadTestFile(chosen + L"\\app.txt"), "walk!");
    EXPECT_FALSE(PathExists(proposed));
    const std::string folders = test::ReadTestFile(evidence + L"\\folders.txt");
    EXPECT_EQ(folders.substr(0, folders.find('|')), Utf16ToWindows1252(chosen)) << folders;
    const std::string startMenu = "\\" + Utf16ToWindows1252(c.startMenuName) + "\r\n";
    ASSERT_GE(folders.size(), startMenu.size());
    EXPECT_EQ(folders.substr(folders.size() - startMenu.size()), startMenu) << folders;
    // The finish options ran as chosen (each runs without waiting for it).
    if (c.launch) {
        EXPECT_TRUE(WaitUntil([&] { return PathExists(evidence + L"\\launched.txt"); }, kPageTimeoutMs));
    }
    if (c.openItem) {
        EXPECT_TRUE(WaitUntil([&] { return PathExists(evidence + L"\\opened.txt"); }, kPageTimeoutMs));
    }
    Sleep(1000);
    EXPECT_EQ(PathExists(evidence + L"\\launched.txt"), c.launch);
    EXPECT_EQ(PathExists(evidence + L"\\opened.txt"), c.openItem);
}

INSTANTIATE_TEST_SUITE_P(Wizard, WizardWalk,
                         testing::Values(WalkCase{"PlainEnglish", 0, false, true, false, L"Walk Tools"},
                                         WalkCase{"HeaderGerman", 2, true, false, true, L"Walk\\Werkzeuge"}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
