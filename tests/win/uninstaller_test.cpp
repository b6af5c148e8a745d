#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "context/failure_list.h"
#include "format/text_encoding.h"
#include "run/run_end.h"
#include "support/child_process.h"
#include "support/installed_product.h"
#include "support/running_editor.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "actions/shared_file_list.h"
#include "uninstall/component_removal.h"

namespace vantrel {
namespace {

using test::InstalledProduct;
using test::PathExists;
using test::TempFolder;

// A run as the start-up code makes it for "/a /u:": automatic, questions scripted.
struct ScriptedRun {
    ScriptedRun() {
        auto scripted = std::make_unique<test::ScriptedUserInterface>();
        ui = scripted.get();
        run.ui = std::move(scripted);
        run.options.automatic = true;
        seams.pauseMs = 0;
    }
    RunState run;
    test::ScriptedUserInterface* ui = nullptr;
    UninstallSeams seams;
};

enum class StartFault {
    kMissingKey,
    kNoInstallLocation,
    kNoDisplayName,
    kUnreadableDataFile,
    kUnreadableDataFileWithoutUserInterface
};

struct StartCase {
    const char* name;
    StartFault fault;
    // The message shown (%N the command-line name, %F the data file); null: none.
    const wchar_t* expected;
};

class UninstallerStart : public testing::TestWithParam<StartCase> {};

TEST_P(UninstallerStart, ShowsItsMessageAndRemovesNothing) {
    const std::wstring name = L"Vantrel Start " + std::to_wstring(static_cast<int>(GetParam().fault));
    TempFolder folder(L"uninstaller-start");
    InstalledProduct product(name, folder.Path());
    const std::wstring kept = product.AddFile(L"kept.txt");
    switch (GetParam().fault) {
        case StartFault::kMissingKey:
            break;
        case StartFault::kNoInstallLocation:
            product.SetValue(L"DisplayName", L"Shown Name");
            product.SetValue(L"InstallLocation", L"  ");
            ASSERT_TRUE(product.Write());
            break;
        case StartFault::kNoDisplayName:
            product.SetValue(L"DisplayName", L"");
            ASSERT_TRUE(product.Write());
            DeleteFileW(product.DataFilePath().c_str());
            break;
        case StartFault::kUnreadableDataFile:
            product.SetValue(L"DisplayName", L"Shown Name");
            ASSERT_TRUE(product.Write());
            DeleteFileW(product.DataFilePath().c_str());
            break;
        case StartFault::kUnreadableDataFileWithoutUserInterface:
            product.SetValue(L"ProductFlags", std::to_wstring(product_flags::kUninstallSilently));
            ASSERT_TRUE(product.Write());
            DeleteFileW(product.DataFilePath().c_str());
            break;
    }
    ScriptedRun scripted;
    const UninstallOutcome outcome = RunUninstaller(scripted.run, name, scripted.seams);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_TRUE(PathExists(kept));
    EXPECT_EQ(product.KeyExists(), GetParam().fault != StartFault::kMissingKey);
    if (GetParam().expected == nullptr) {
        EXPECT_TRUE(scripted.ui->shown.empty());
        return;
    }
    ASSERT_EQ(scripted.ui->shown.size(), 1u);
    std::wstring expected = GetParam().expected;
    for (std::size_t at; (at = expected.find(L"%N")) != std::wstring::npos;)
        expected.replace(at, 2, name);
    for (std::size_t at; (at = expected.find(L"%F")) != std::wstring::npos;)
        expected.replace(at, 2, product.DataFilePath());
    EXPECT_EQ(scripted.ui->shown[0].text.substr(0, expected.size()), expected);
}

const StartCase kStartCases[] = {
    {"MissingKey", StartFault::kMissingKey, L"No product named '%N' is installed."},
    {"NoInstallLocation", StartFault::kNoInstallLocation,
     L"The uninstall information for Shown Name is corrupt.\r\n\r\nThe uninstallation cannot be performed."},
    {"NoDisplayNameUsesTheCommandLineName", StartFault::kNoDisplayName,
     L"The uninstall information for %N could not be loaded.\r\n\r\nFilepath: %F\r\nCode 2: "},
    {"UnreadableDataFile", StartFault::kUnreadableDataFile,
     L"The uninstall information for Shown Name could not be loaded.\r\n\r\nFilepath: %F\r\nCode 2: "},
    {"UnreadableDataFileWithoutUserInterfaceShowsNothing",
     StartFault::kUnreadableDataFileWithoutUserInterface, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, UninstallerStart, testing::ValuesIn(kStartCases), test::CaseName);

TEST(Uninstaller, LockedFileIsReportedAndRetriedByTheSecondRun) {
    const std::wstring name = L"Vantrel Uninstall Locked";
    TempFolder folder(L"uninstaller-locked");
    InstalledProduct product(name, folder.Path());
    const std::wstring free = product.AddFile(L"bin\\free.dll");
    const std::wstring locked = product.AddFile(L"bin\\locked.dll");
    const std::wstring other = product.AddFile(L"data\\other.dat");
    ASSERT_TRUE(product.Write());
    {
        test::LockedFile lock(locked);
        ASSERT_TRUE(lock.Valid());
        ScriptedRun scripted;
        const UninstallOutcome outcome = RunUninstaller(scripted.run, name, scripted.seams);
        EXPECT_FALSE(outcome.succeeded);
        ASSERT_EQ(scripted.ui->shown.size(), 1u);
        EXPECT_EQ(scripted.ui->shown[0].text,
                  L"These items could not be removed:\r\nUnable to delete: " + locked + L"\r\n");
        EXPECT_TRUE(product.KeyExists());
        EXPECT_FALSE(PathExists(free));
        EXPECT_FALSE(PathExists(other));
        EXPECT_FALSE(PathExists(folder.Join(L"data")));
        EXPECT_TRUE(PathExists(locked));
        // The rewritten data file holds only what remains.
        UninstallDataContent rewritten = ParseUninstallData(test::ReadTestFile(product.DataFilePath()));
        std::erase(rewritten.removalList, std::string());
        EXPECT_EQ(rewritten.removalList, std::vector<std::string>{EncodeText(locked)});
    }
    ScriptedRun second;
    const UninstallOutcome outcome = RunUninstaller(second.run, name, second.seams);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_TRUE(second.ui->shown.empty());
    EXPECT_FALSE(PathExists(locked));
    EXPECT_FALSE(PathExists(product.DataFilePath()));
    EXPECT_FALSE(product.KeyExists());
}

// A product whose list of programs to close asks about a program that is running.
struct ProductWithRunningProgram {
    ProductWithRunningProgram(const std::wstring& name, const std::wstring& tag)
        : folder(tag), product(name, folder.Path()), file(product.AddFile(L"app.exe")), editor(tag) {
        product.Data().autoClose = {test::CloseListEntry(editor.Title(), "", 2, 4)};
    }
    TempFolder folder;
    InstalledProduct product;
    std::wstring file;
    test::RunningEditor editor;
};

// A product that uninstalls without a user interface cannot ask to close a program: the run
// goes on instead of waiting for an answer nobody can give.
TEST(Uninstaller, AProductWithoutUserInterfaceDoesNotWaitForAProgramItWouldAskAbout) {
    ProductWithRunningProgram running(L"Vantrel Uninstall Unasked", L"vantrel-uninstall-unasked");
    ASSERT_NE(running.editor.Window(), nullptr);
    running.product.SetValue(L"ProductFlags", std::to_wstring(product_flags::kUninstallSilently));
    ASSERT_TRUE(running.product.Write());
    ScriptedRun scripted;
    scripted.run.options.automatic = false;
    EXPECT_TRUE(RunUninstaller(scripted.run, running.product.Name(), scripted.seams).succeeded);
    EXPECT_TRUE(scripted.ui->shown.empty());
    EXPECT_FALSE(PathExists(running.file));
    EXPECT_TRUE(IsWindow(running.editor.Window()));
}

// The background window is the product's and the run's choice: a product that uninstalls
// without a user interface still shows it, a product without one or an automatic run not.
struct BackgroundCase {
    const char* name;
    std::uint32_t flagsLow;
    bool automatic;
    bool shown;
};

class UninstallerBackground : public testing::TestWithParam<BackgroundCase> {};

TEST_P(UninstallerBackground, IsShownAsTheFlagsAndTheRunAllow) {
    const std::wstring name = L"Vantrel Uninstall Background " + Utf8ToUtf16(GetParam().name);
    TempFolder folder(L"uninstaller-background");
    InstalledProduct product(name, folder.Path());
    const std::wstring file = product.AddFile(L"app.exe");
    product.SetValue(L"ProductFlags", std::to_wstring(GetParam().flagsLow));
    product.SetValue(L"TaskbarText", L"Background Caption");
    ASSERT_TRUE(product.Write());
    ScriptedRun scripted;
    scripted.run.options.automatic = GetParam().automatic;
    std::vector<std::wstring> captions;
    scripted.seams.showBackground = [&](const UninstallAppearance& appearance, const std::wstring&) {
        captions.push_back(appearance.taskbarText);
    };
    EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
    EXPECT_FALSE(PathExists(file));
    EXPECT_EQ(captions, GetParam().shown ? std::vector<std::wstring>{L"Background Caption"}
                                         : std::vector<std::wstring>{});
}

const BackgroundCase kBackgroundCases[] = {
    {"Asking", 0, false, true},
    {"WithoutUserInterface", product_flags::kUninstallSilently, false, true},
    {"NoBackgroundWindow", product_flags::kNoBackgroundWindow, false, false},
    {"Automatic", 0, true, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, UninstallerBackground, testing::ValuesIn(kBackgroundCases), test::CaseName);

// The icon the product left in its uninstall folder reaches the windows before the first
// of them opens; without the file there is none to give.
TEST(Uninstaller, TheProductsIconIsGivenBeforeTheWindowsOpen) {
    for (const bool withIcon : {true, false}) {
        SCOPED_TRACE(withIcon ? "with icon" : "without icon");
        const std::wstring name = L"Vantrel Uninstall Icon";
        TempFolder folder(L"uninstaller-icon");
        InstalledProduct product(name, folder.Path());
        product.AddFile(L"app.exe");
        ASSERT_TRUE(product.Write());
        const std::wstring iconFile = product.UninstallFolder() + L"\\uninstall.ico";
        if (withIcon) {
            ASSERT_TRUE(test::WriteTestFile(iconFile, "icon"));
        }
        ScriptedRun scripted;
        scripted.run.options.automatic = false;
        std::vector<std::wstring> calls;
        scripted.seams.useIcon = [&](const std::wstring& file) { calls.push_back(L"icon " + file); };
        scripted.seams.showBackground = [&](const UninstallAppearance&, const std::wstring&) {
            calls.push_back(L"background");
        };
        EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
        const std::vector<std::wstring> expected =
            withIcon ? std::vector<std::wstring>{L"icon " + iconFile, L"background"}
                     : std::vector<std::wstring>{L"background"};
        EXPECT_EQ(calls, expected);
        DeleteFileW(iconFile.c_str());
    }
}

// Cancelling while a program the product asks about is still running ends the run like
// any cancelled installation: the product's cancellation text with the warning icon, exit
// code 1, nothing removed.
TEST(Uninstaller, CancelWhileAProgramStillRunsWarnsAndEndsWithExitCodeOne) {
    ProductWithRunningProgram running(L"Vantrel Uninstall Cancelled", L"vantrel-uninstall-cancelled");
    ASSERT_NE(running.editor.Window(), nullptr);
    running.product.Data().strings[101] = L"Uninstallation cancelled.";
    running.product.Data().strings[111] = L"Cancelled";
    ASSERT_TRUE(running.product.Write());
    ScriptedRun scripted;
    scripted.run.options.automatic = false;
    scripted.ui->answers = {mb::kIdYes, mb::kIdCancel};  // the confirmation, then the running program
    try {
        RunUninstaller(scripted.run, running.product.Name(), scripted.seams);
        FAIL() << "the run went on";
    } catch (const RunEnd& end) {
        EXPECT_EQ(end.exitCode, 1);
    }
    ASSERT_EQ(scripted.ui->shown.size(), 3u);
    EXPECT_EQ(scripted.ui->shown[2].text, L"Uninstallation cancelled.");
    EXPECT_EQ(scripted.ui->shown[2].caption, L"Cancelled");
    EXPECT_EQ(scripted.ui->shown[2].style, mb::kOk | mb::kIconWarning);
    EXPECT_TRUE(PathExists(running.file));
    EXPECT_TRUE(running.product.KeyExists());
}

TEST(Uninstaller, NoToTheConfirmationEndsWithExitCodeOne) {
    const std::wstring name = L"Vantrel Uninstall Declined";
    TempFolder folder(L"uninstaller-declined");
    InstalledProduct product(name, folder.Path());
    const std::wstring file = product.AddFile(L"app.exe");
    ASSERT_TRUE(product.Write());
    ScriptedRun scripted;
    scripted.run.options.automatic = false;
    scripted.ui->answers.push_back(mb::kIdNo);
    try {
        RunUninstaller(scripted.run, name, scripted.seams);
        FAIL() << "the run went on";
    } catch (const RunEnd& end) {
        EXPECT_EQ(end.exitCode, 1);
    }
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(product.KeyExists());
}

TEST(Uninstaller, SeamsAreCalledInTheirOrder) {
    const std::wstring name = L"Vantrel Uninstall Seams";
    TempFolder folder(L"uninstaller-seams");
    InstalledProduct product(name, folder.Path());
    product.AddFile(L"app.exe");
    product.SetValue(L"UninstallBatch1", L"echo one");
    product.SetValue(L"UninstallBatch2", L"echo two");
    product.Data().registryScript = "\\HKLM\\Software\\VantrelSeams\r\n";
    product.Data().firewallLines = {"app.exe;App;1;0"};
    ASSERT_TRUE(product.Write());
    ScriptedRun scripted;
    std::vector<std::string> calls;
    scripted.seams.runBatch = [&](const std::string& text, bool, const UninstallProductValues& values) {
        calls.push_back("batch " + text);
        EXPECT_EQ(values.installDir, folder.Path());
        EXPECT_EQ(values.displayName, name);
    };
    scripted.seams.removeRegistryEntries = [&](const std::string&, REGSAM) { calls.push_back("registry"); };
    scripted.seams.removeFirewallExceptions = [&](const std::vector<std::string>& lines,
                                                  const UninstallProductValues& values) {
        calls.push_back("firewall " + lines.at(0));
        EXPECT_EQ(values.installDir, folder.Path());
    };
    std::vector<int> percents;
    scripted.seams.setProgress = [&](int percent) { percents.push_back(percent); };
    EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
    EXPECT_EQ(calls, (std::vector<std::string>{"batch echo one", "registry", "firewall app.exe;App;1;0",
                                               "batch echo two"}));
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.front(), 1);
    EXPECT_EQ(percents.back(), 100);
}

// The font and taskbar steps get what the product recorded: the font list with the product's
// question (asked only outside automatic runs), and only the links under "User Pinned".
TEST(Uninstaller, FontsAndPinnedLinksReachTheirSteps) {
    for (const bool automatic : {true, false}) {
        SCOPED_TRACE(automatic ? "automatic" : "asking");
        const std::wstring name = L"Vantrel Uninstall Fonts And Pins";
        TempFolder folder(L"uninstaller-fonts-pins");
        InstalledProduct product(name, folder.Path());
        product.SetValue(L"ProductFonts", L"\"Vantrel Sans\" \"vantrelsans.ttf\"");
        product.SetValue(L"ProductFlags", std::to_wstring(0x10));  // ask before removing fonts
        product.Data().strings[56] = L"Remove the font %s?";
        product.Data().strings[57] = L"Fonts";
        const std::wstring pinned = L"C:\\Users\\x\\User Pinned\\TaskBar\\Vantrel.lnk";
        product.Data().removalList.push_back(EncodeText(pinned));
        product.Data().removalList.push_back(EncodeText(folder.Join(L"Pinned elsewhere.lnk")));
        ASSERT_TRUE(product.Write());
        ScriptedRun scripted;
        scripted.run.options.automatic = automatic;
        std::vector<std::wstring> fonts;
        std::vector<std::wstring> unpinned;
        scripted.seams.removeFonts = [&](const std::wstring& list, const RemovalQuestion& question) {
            fonts.push_back(list);
            EXPECT_EQ(question.ui != nullptr, !automatic);
            EXPECT_EQ(question.textFormat, L"Remove the font %s?");
            EXPECT_EQ(question.title, L"Fonts");
        };
        scripted.seams.unpinFromTaskbar = [&](const std::wstring& link) { unpinned.push_back(link); };
        EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
        EXPECT_EQ(fonts, std::vector<std::wstring>{L"\"Vantrel Sans\" \"vantrelsans.ttf\""});
        EXPECT_EQ(unpinned, std::vector<std::wstring>{pinned});
    }
}

TEST(Uninstaller, ProductRegistryKeyIsRemovedButASharedOneIsRefused) {
    TempFolder folder(L"uninstaller-registry");
    {
        InstalledProduct product(L"Vantrel Uninstall Registry", folder.Path());
        product.AddProductRegistryKey(L"Vantrel Test Company\\Registry Product");
        ASSERT_TRUE(product.Write());
        ScriptedRun scripted;
        EXPECT_TRUE(RunUninstaller(scripted.run, product.Name(), scripted.seams).succeeded);
        EXPECT_FALSE(test::MachineKeyExists(L"Software\\Vantrel Test Company\\Registry Product"));
        EXPECT_FALSE(test::MachineKeyExists(L"Software\\Vantrel Test Company"));
    }
    {
        InstalledProduct product(L"Vantrel Uninstall Shared Registry", folder.Path());
        product.SetValue(L"ProductRegistry", L"Microsoft");
        ASSERT_TRUE(product.Write());
        ScriptedRun scripted;
        EXPECT_TRUE(RunUninstaller(scripted.run, product.Name(), scripted.seams).succeeded);
        EXPECT_TRUE(test::MachineKeyExists(L"Software\\Microsoft\\Windows\\CurrentVersion"));
    }
}

// Shared-file counts in the system's count key, each test with files of its own.
class SharedFileCounts : public testing::Test {
  protected:
    void TearDown() override {
        for (const std::wstring& path : counted_)
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str());
    }
    void SetCount(const std::wstring& path, DWORD count) {
        counted_.push_back(path);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str(), REG_DWORD, &count,
                                  sizeof count),
                  ERROR_SUCCESS);
    }
    std::optional<DWORD> Count(const std::wstring& path) {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                         &size) != ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }

    std::vector<std::wstring> counted_;
};

TEST_F(SharedFileCounts, LowerKeepDeleteOrLeaveAlone) {
    TempFolder folder(L"shared-counts");
    const std::wstring three = folder.Join(L"three.dll");
    const std::wstring one = folder.Join(L"one.dll");
    const std::wstring missing = folder.Join(L"uncounted.dll");
    const std::wstring permanent = folder.Join(L"permanent.dll");
    const std::wstring unicode = folder.Join(L"\u00e9t\u00e9.dll");
    for (const auto& path : {three, one, missing, permanent, unicode})
        ASSERT_TRUE(test::WriteTestFile(path, "dll"));
    SetCount(three, 3);
    SetCount(one, 1);
    SetCount(permanent, 1);
    SetCount(unicode, 1);
    const std::string list = "\"" + EncodeText(three) + "\";\"" + EncodeText(one) + "\";\"" +
                             EncodeText(missing) + "\";\"" + EncodeText(permanent) + " \";\"" +
                             EncodeText(unicode) + "\"";
    FailureList failures;
    EXPECT_TRUE(LowerProductSharedFileCounts(list, false, false, {}, {}, failures));
    EXPECT_TRUE(failures.Empty());
    EXPECT_EQ(Count(three), 2u);
    EXPECT_TRUE(PathExists(three));
    EXPECT_EQ(Count(one), 0u);
    EXPECT_FALSE(PathExists(one));
    EXPECT_FALSE(Count(missing));
    EXPECT_TRUE(PathExists(missing));
    EXPECT_EQ(Count(permanent), 0u);
    EXPECT_TRUE(PathExists(permanent));
    EXPECT_FALSE(PathExists(unicode));
}

TEST_F(SharedFileCounts, MarkedFilesGoAfterTheirUnregistrationAndAQuestionCanKeepOne) {
    TempFolder folder(L"shared-markers");
    const std::wstring server = folder.Join(L"server.dll");
    const std::wstring library = folder.Join(L"library.tlb");
    const std::wstring kept = folder.Join(L"kept.dll");
    for (const auto& path : {server, library, kept}) {
        ASSERT_TRUE(test::WriteTestFile(path, "dll"));
        SetCount(path, 1);
    }
    test::ScriptedUserInterface ui;
    ui.answers = {mb::kIdYes, mb::kIdYes, mb::kIdNo};
    int reactivated = 0;
    const std::string list =
        "\"" + EncodeText(server) + "^\";\"" + EncodeText(library) + "\xA9\";\"" + EncodeText(kept) + "\"";
    FailureList failures;
    EXPECT_TRUE(LowerProductSharedFileCounts(
        list, false, true, {&ui, L"Delete %s?", L"Shared"}, [&] { ++reactivated; }, failures));
    // Neither file really registers anything: their unregistration fails quietly.
    EXPECT_EQ(reactivated, 2);
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[2].text, L"Delete " + kept + L"?");
    EXPECT_FALSE(PathExists(server));
    EXPECT_FALSE(PathExists(library));
    EXPECT_TRUE(PathExists(kept));
    EXPECT_TRUE(failures.Empty());
}

TEST(Uninstaller, SharedFilesAskWithTheProductsTextsAndTheValueGoes) {
    const std::wstring name = L"Vantrel Uninstall Shared";
    TempFolder folder(L"uninstaller-shared");
    InstalledProduct product(name, folder.Path());
    const std::wstring shared = folder.Join(L"common\\shared.dll");
    CreateDirectoryW(folder.Join(L"common").c_str(), nullptr);
    ASSERT_TRUE(test::WriteTestFile(shared, "dll"));
    DWORD count = 1;
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, shared.c_str(), REG_DWORD, &count, sizeof count),
        ERROR_SUCCESS);
    product.SetValue(L"SharedFiles", Utf8ToUtf16("\"" + EncodeText(shared) + "\""));
    product.SetValue(L"ProductFlags", std::to_wstring(0x20000));  // ask before deleting shared files
    product.Data().strings[59] = L"Remove shared %s?";
    product.Data().strings[35] = L"Shared file";
    ASSERT_TRUE(product.Write());
    ScriptedRun scripted;
    scripted.run.options.automatic = false;
    scripted.ui->answers = {mb::kIdYes, mb::kIdNo};  // the confirmation, then the shared file
    EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
    ASSERT_EQ(scripted.ui->shown.size(), 2u);
    EXPECT_EQ(scripted.ui->shown[1].text, L"Remove shared " + shared + L"?");
    EXPECT_EQ(scripted.ui->shown[1].caption, L"Shared file");
    EXPECT_TRUE(PathExists(shared));
    EXPECT_FALSE(product.KeyExists());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, shared.c_str());
}

// Unregistering a shared component runs a program of the system: the progress window is
// brought back after it, and only then.
TEST(Uninstaller, TheProgressComesBackAfterASharedComponentIsUnregistered) {
    const std::wstring name = L"Vantrel Uninstall Shared Server";
    TempFolder folder(L"uninstaller-shared-server");
    InstalledProduct product(name, folder.Path());
    const std::wstring server = folder.Join(L"common\\server.dll");
    const std::wstring plain = folder.Join(L"common\\plain.dll");
    CreateDirectoryW(folder.Join(L"common").c_str(), nullptr);
    for (const std::wstring& path : {server, plain}) {
        ASSERT_TRUE(test::WriteTestFile(path, "dll"));
        DWORD count = 1;
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str(), REG_DWORD, &count,
                                  sizeof count),
                  ERROR_SUCCESS);
    }
    product.SetValue(L"SharedFiles",
                     Utf8ToUtf16("\"" + EncodeText(server) + "^\";\"" + EncodeText(plain) + "\""));
    ASSERT_TRUE(product.Write());
    ScriptedRun scripted;
    int reactivated = 0;
    scripted.seams.reactivateProgress = [&] { ++reactivated; };
    EXPECT_TRUE(RunUninstaller(scripted.run, name, scripted.seams).succeeded);
    EXPECT_EQ(reactivated, 1);
    EXPECT_FALSE(PathExists(server));
    EXPECT_FALSE(PathExists(plain));
    for (const std::wstring& path : {server, plain})
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str());
}

}  // namespace
}  // namespace vantrel
