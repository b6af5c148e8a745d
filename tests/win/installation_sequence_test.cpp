// The installation sequence run in this process with its seams observed: what cannot run as
// a process of the test prefix (a restart of Windows, a restore point) is seen here.
#include "engine/installation_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>

#include "actions/product_registration.h"
#include "engine/file_installation.h"
#include "engine/install_actions.h"
#include "engine/folder_checks.h"
#include "format/path_join.h"
#include "format/payload_writer.h"
#include "format/text_encoding.h"
#include "run/run_end.h"
#include "support/child_process.h"
#include "support/file_system.h"
#include "support/payload_fixture.h"
#include "support/running_editor.h"
#include "support/scripted_ui.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/test_registry.h"

namespace vantrel {
namespace {

using test::PathExists;

PayloadFileInput File(const std::string& name, std::size_t size) {
    PayloadFileInput input;
    input.record.name = name;
    input.size = size;
    input.readData = [size] { return Bytes(size, 0x33); };
    return input;
}

// A payload in memory, read the way the engine reads its own section.
struct InProcessInstallation {
    InProcessInstallation(const std::wstring& name, bool automatic, std::uint32_t flags2 = 0)
        : folder(L"seq-inproc-" + name), installDir(folder.Join(L"app")) {
        Settings settings = test::FixtureSettings(L"Vantrel Seq InProc " + name);
        settings.productVersion = L"1.0";
        settings.defaultInstallFolder = installDir;
        settings.uninstallSubfolder = L"uninstall";
        settings.productFlagsLow |= product_flags::kDeferAnyLockedFile | product_flags::kCreateLog;
        std::vector<std::wstring> texts(120);
        texts[20] = L"Restart";
        texts[37] = L"Restart Windows now?";
        texts[97] = L"Creating a restore point";
        settings.messages = MessageTable({L"English"}, texts);
        PayloadWriteOptions options;
        options.productFlags2 = flags2;
        image = WritePayload(settings, {File("locked.bin", 4000)}, options);
        auto scripted = std::make_unique<test::ScriptedUserInterface>();
        ui = scripted.get();
        state.ui = std::move(scripted);
        state.options.automatic = automatic;
        PlaceSection(image.section);
        ReadHeaderAndSettings(state, payload);
        seams.actions.extractFiles = InstallPayloadFiles;
        seams.system.restartWindows = [this] { ++restarts; };
        seams.progress.percent = [this](int value) { percents.push_back(value); };
        seams.system.createRestorePoint = [this](const std::wstring& description, std::wstring&) {
            restorePoint = description;
            return true;
        };
        seams.system.commitRestorePoint = [this] {
            ++commits;
            return true;
        };
    }
    ~InProcessInstallation() { state.messages = nullptr; }

    // The section as the program file holds it (here a file of the section alone) and as the
    // loader maps it (`mapped`, which may differ from the file to show which one is read).
    void PlaceSection(const Bytes& mapped) {
        const std::wstring path = folder.Join(L"section.bin");
        payload.section.file.Reset();
        EXPECT_TRUE(test::WriteTestFile(path, std::string(image.section.begin(), image.section.end())));
        payload.section.file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(payload.section.file);
        payload.section.section.pointerToRawData = 0;
        payload.section.section.sizeOfRawData = static_cast<std::uint32_t>(image.section.size());
        payload.section.section.virtualSize = payload.section.section.sizeOfRawData;
        mappedSection = mapped;
        payload.mapped = mappedSection;
    }

    int Run() {
        InstallRun run(state, payload, seams);
        try {
            RunInstallationSequence(run);
        } catch (const RunEnd& end) {
            return end.exitCode;
        }
    }

    test::TempFolder folder;
    std::wstring installDir;
    PayloadImage image;
    Bytes mappedSection;
    RunState state;
    test::ScriptedUserInterface* ui = nullptr;
    Payload payload;
    InstallSeams seams;
    int restarts = 0;
    int commits = 0;
    std::wstring restorePoint;
    std::vector<int> percents;
};

// Gives messages of the product a text.
void SetMessages(Settings& settings, std::initializer_list<std::pair<std::size_t, const wchar_t*>> texts) {
    std::vector<std::wstring> all = settings.messages.Texts();
    for (const auto& [number, text] : texts)
        all[number] = text;
    settings.messages = MessageTable({L"English"}, all);
}

struct RestartCase {
    const char* name;
    bool automatic;
    int answer;  // to the reboot question, when it is asked
    bool asked;
    int restarts;
};

class DeferredReplacement : public testing::TestWithParam<RestartCase> {};

// A file of the installation is held open: it is replaced at the next restart, and the run
// ends by restarting Windows (asked first unless automatic) instead of starting the /r:
// command.
TEST_P(DeferredReplacement, EndsWithTheRestartInsteadOfTheRelaunch) {
    const RestartCase& c = GetParam();
    InProcessInstallation install(Windows1252ToUtf16(c.name), c.automatic);
    ASSERT_TRUE(CreateDirectoryW(install.installDir.c_str(), nullptr));
    const std::wstring locked = install.installDir + L"\\locked.bin";
    const std::wstring relaunched = install.folder.Join(L"relaunched.txt");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    install.state.options.launchOnExit =
        L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo x>\"" + relaunched + L"\"";
    install.ui->answers.push_back(c.answer);
    {
        test::LockedFile holder(locked);
        ASSERT_TRUE(holder.Valid());
        EXPECT_EQ(install.Run(), kExitInstall);
    }
    bool asked = false;
    for (const auto& shown : install.ui->shown)
        asked = asked || shown.text == L"Restart Windows now?";
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(install.restarts, c.restarts);
    // The relaunch is started without waiting: give it time to show up when it should.
    for (int i = 0; i < 100 && c.restarts == 0 && !PathExists(relaunched); ++i)
        Sleep(100);
    if (c.restarts != 0)
        Sleep(1000);
    EXPECT_EQ(PathExists(relaunched), c.restarts == 0);
    // The file still holds what it held; its replacement waits beside it.
    EXPECT_TRUE(test::ReadTestFile(locked).empty());
    EXPECT_EQ(test::CountFilesStartingWith(install.installDir, L"QVT"), 1);
}

INSTANTIATE_TEST_SUITE_P(InstallationSequence, DeferredReplacement,
                         testing::Values(RestartCase{"Automatic", true, mb::kIdYes, false, 1},
                                         RestartCase{"AskedAndAccepted", false, mb::kIdYes, true, 1},
                                         RestartCase{"AskedAndDeclined", false, mb::kIdNo, true, 0}),
                         test::CaseName);

TEST(InstallationSequence, RestorePointIsOpenedAndCommittedAroundTheInstallation) {
    InProcessInstallation install(L"Restore", true, product_flags2::kRestorePoint);
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_EQ(install.restorePoint, L"Vantrel Seq InProc Restore 1.0");
    EXPECT_EQ(install.commits, 1);
    const std::string log = test::ReadTestFile(install.installDir + L"\\uninstall\\Install.log");
    EXPECT_NE(log.find("Creating restore point...OK\r\n"), std::string::npos) << log;
    EXPECT_EQ(test::ReadTestFile(install.installDir + L"\\locked.bin"), std::string(4000, '\x33'));
}

TEST(InstallationSequence, FailedRestorePointIsNeverCommitted) {
    InProcessInstallation install(L"RestoreFails", true, product_flags2::kRestorePoint);
    install.seams.system.createRestorePoint = [](const std::wstring&, std::wstring& error) {
        error = L"The service is off.";
        return false;
    };
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_EQ(install.commits, 0);
    const std::string log = test::ReadTestFile(install.installDir + L"\\uninstall\\Install.log");
    EXPECT_NE(log.find("Creating restore point...FAILED\r\nThe service is off."), std::string::npos) << log;
}

// The data area inside the section is read from the program file in pieces, never through the
// loader's image of the section, whose pages would all stay in the working set: with the data
// blanked in the image the installation still succeeds and installs the file's bytes.
TEST(InstallationSequence, DataInsideTheSectionIsReadFromTheFileNotFromTheImage) {
    InProcessInstallation install(L"DataFromFile", true);
    Bytes image = install.image.section;
    const std::size_t dataOffset = static_cast<std::size_t>(install.payload.header.DataOffset());
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(dataOffset), image.end(), std::uint8_t{0});
    install.PlaceSection(image);
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_EQ(test::ReadTestFile(install.installDir + L"\\locked.bin"), std::string(4000, '\x33'));
}

// One of the installer's own action steps in place of the fixture's empty one.
void UseTheActionStep(InstallSeams& seams, std::function<void(InstallRun&)> ActionSeams::*step) {
    ActionSeams actions;
    FillInstallActions(actions);
    seams.actions.*step = actions.*step;
}

// The product registration of the action steps, which reports 99 percent on its own.
void UseTheRegistrationStep(InstallSeams& seams) {
    UseTheActionStep(seams, &ActionSeams::registration);
}

TEST(InstallationSequence, ProgressRisesThroughTheSteps) {
    InProcessInstallation install(L"Progress", true);
    UseTheRegistrationStep(install.seams);
    EXPECT_EQ(install.Run(), kExitInstall);
    const std::vector<int> fixed = {1, 2, 21, 26, 27, 28, 90, 91, 92, 93, 95, 97, 98, 99, 100};
    std::vector<int> seen;
    for (const int value : install.percents)
        if (std::find(fixed.begin(), fixed.end(), value) != fixed.end() &&
            (seen.empty() || seen.back() != value))
            seen.push_back(value);
    EXPECT_EQ(seen, fixed);
    EXPECT_TRUE(std::is_sorted(install.percents.begin(), install.percents.end()));
}

// 99 percent is reached once the readme and licence copies are written, not before them.
TEST(InstallationSequence, NinetyNinePercentComesAfterTheTextCopies) {
    InProcessInstallation install(L"CopiesBefore99", true);
    Settings& settings = install.payload.settings;
    settings.productFlagsHigh |= product_flags::kCopyLicence;
    settings.licenceTexts = {L"Licence"};
    UseTheRegistrationStep(install.seams);
    const std::wstring copy = install.installDir + L"\\eula.txt";
    std::vector<bool> copiedAt99;
    install.seams.progress.percent = [&copiedAt99, &copy](int value) {
        if (value == 99)
            copiedAt99.push_back(PathExists(copy));
    };
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_EQ(copiedAt99, std::vector<bool>{true});
}

// The payload's conditional deletions: those for the installation run before the files are
// written, those for the uninstallation are handed to the uninstaller.
TEST(InstallationSequence, ConditionalDeletionsRunAndTheUninstallersAreKept) {
    InProcessInstallation install(L"Deletions", true);
    Settings& settings = install.payload.settings;
    settings.productFlagsLow |= product_flags::kRegisterForUninstall;
    settings.uninstallKeyName = L"Vantrel Seq InProc Deletions";
    settings.conditionalDeletions = {{"old*.txt", 0, "", 4}, {"*.bak", 0, "", 8}, {"locked.bin", 0, "", 4}};
    UseTheActionStep(install.seams, &ActionSeams::deletionPhase);
    ASSERT_TRUE(CreateDirectoryW(install.installDir.c_str(), nullptr));
    const std::wstring old = install.installDir + L"\\old1.txt";
    const std::wstring backup = install.installDir + L"\\keep.bak";
    ASSERT_TRUE(test::WriteTestFile(old, "old"));
    ASSERT_TRUE(test::WriteTestFile(backup, "backup"));
    ASSERT_TRUE(test::WriteTestFile(install.installDir + L"\\locked.bin", "earlier"));
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_FALSE(PathExists(old));
    EXPECT_TRUE(PathExists(backup));
    // The deletions come before the extraction, which writes the file again.
    EXPECT_EQ(test::ReadTestFile(install.installDir + L"\\locked.bin"), std::string(4000, '\x33'));
    const std::string log = test::ReadTestFile(install.installDir + L"\\uninstall\\Install.log");
    EXPECT_NE(log.find("Deleted file: " + Utf16ToUtf8(old) + "\r\n"), std::string::npos) << log;
    const std::string data = test::ReadTestFile(install.installDir + L"\\uninstall\\Uninstall.DAT");
    EXPECT_NE(data.find("[ConditionalDelete]\r\n*.bak,0,,8\r\n"), std::string::npos) << data;
}

TEST(InstallationSequence, CancelledStartQuestionSendsTheCancelNotification) {
    InProcessInstallation install(L"Cancel", false);
    std::vector<std::wstring> sent;
    install.state.queueNotification = [&sent](NotificationKind, const std::wstring& address) {
        sent.push_back(address);
    };
    install.seams.pages.start = [] { return false; };
    install.payload.settings.cancelNotification = L"https://example.invalid/cancel?v=%version%";
    // The fixture asks no start question; this product does.
    install.payload.settings.productFlagsHigh &= ~product_flags::kNoStartQuestion;
    EXPECT_EQ(install.Run(), kExitInstall);
    ASSERT_EQ(sent.size(), 1u);
    // The template as the payload has it: the notification queue fills in the tokens.
    EXPECT_EQ(sent[0], L"https://example.invalid/cancel?v=%version%");
    ASSERT_EQ(install.ui->shown.size(), 1u);
    EXPECT_EQ(install.ui->shown[0].style & 0xF0, mb::kIconWarning);
    EXPECT_FALSE(PathExists(install.installDir));
}

struct NotificationCase {
    const char* name;
    const wchar_t* oldVersion;  // null: no earlier installation
    const wchar_t* expected;
};

class CompletionNotification : public testing::TestWithParam<NotificationCase> {};

TEST_P(CompletionNotification, FollowsTheVersionRelation) {
    const NotificationCase& c = GetParam();
    InProcessInstallation install(L"Notify" + Windows1252ToUtf16(c.name), true);
    Settings& settings = install.payload.settings;
    settings.productFlagsLow |= product_flags::kRegisterForUninstall;
    settings.productFlagsHigh |= product_flags::kCompareVersions;
    settings.uninstallKeyName = L"Vantrel Seq InProc Notify " + Windows1252ToUtf16(c.name);
    settings.beginNotification = L"begin";
    settings.completionNotification = L"completion";
    settings.upgradeNotification = L"upgrade";
    settings.downgradeNotification = L"downgrade";
    settings.reinstallNotification = L"reinstall";
    const std::wstring key =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + settings.uninstallKeyName;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    if (c.oldVersion != nullptr) {
        CreateDirectoryW(install.installDir.c_str(), nullptr);
        ASSERT_TRUE(test::SetRegistryText(HKEY_LOCAL_MACHINE, key, L"InstallLocation", install.installDir));
        ASSERT_TRUE(test::SetRegistryText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion", c.oldVersion));
    }
    std::vector<std::wstring> sent;
    install.state.queueNotification = [&sent](NotificationKind kind, const std::wstring& address) {
        EXPECT_EQ(kind, NotificationKind::kPlain);
        sent.push_back(address);
    };
    EXPECT_EQ(install.Run(), kExitInstall);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    EXPECT_EQ(sent, (std::vector<std::wstring>{L"begin", c.expected}));
}

INSTANTIATE_TEST_SUITE_P(InstallationSequence, CompletionNotification,
                         testing::Values(NotificationCase{"New", nullptr, L"completion"},
                                         NotificationCase{"Same", L"1.0", L"reinstall"},
                                         NotificationCase{"Upgrade", L"0.9", L"upgrade"},
                                         NotificationCase{"Downgrade", L"1.1", L"downgrade"}),
                         test::CaseName);

struct TextPageCase {
    const char* name;
    std::size_t language;  // the language the user chose
    bool extraTexts;       // messages 63 and 64 hold a text
    bool oneTextForAll;    // the payload has one licence and one readme, not one per language
    std::vector<std::wstring> pages;
};

class LicenceAndReadmePages : public testing::TestWithParam<TextPageCase> {};

// The payload holds a licence and a readme for each language: the user reads those of the
// chosen language only, each followed by the extra text of the message table when it has one.
TEST_P(LicenceAndReadmePages, ShowTheTextsOfTheChosenLanguage) {
    const TextPageCase& c = GetParam();
    InProcessInstallation install(L"Pages" + Windows1252ToUtf16(c.name), false);
    Settings& settings = install.payload.settings;
    settings.licenceTexts = {L"Licence EN", L"Licence DE"};
    settings.readmeTexts = {L"Readme EN", L"Readme DE"};
    if (c.oneTextForAll) {
        settings.licenceTexts.pop_back();
        settings.readmeTexts.pop_back();
    }
    const std::vector<std::wstring> languages = {L"English", L"Deutsch"};
    std::vector<std::wstring> texts(120 * languages.size());
    if (c.extraTexts) {
        texts[63 * 2] = L"More licence EN";
        texts[63 * 2 + 1] = L"More licence DE";
        texts[64 * 2] = L"More readme EN";
        texts[64 * 2 + 1] = L"More readme DE";
    }
    settings.messages = MessageTable(languages, texts);
    settings.messages.SelectLanguage(c.language);
    std::vector<std::wstring> shown;
    install.seams.pages.licence = [&shown](const std::wstring& text) {
        shown.push_back(L"licence: " + text);
        return true;
    };
    install.seams.pages.readme = [&shown](const std::wstring& text) {
        shown.push_back(L"readme: " + text);
        return true;
    };
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_EQ(shown, c.pages);
    EXPECT_TRUE(PathExists(install.installDir + L"\\locked.bin"));
}

INSTANTIATE_TEST_SUITE_P(
    InstallationSequence, LicenceAndReadmePages,
    testing::Values(
        TextPageCase{"English", 0, false, false, {L"licence: Licence EN", L"readme: Readme EN"}},
        TextPageCase{"Deutsch", 1, false, false, {L"licence: Licence DE", L"readme: Readme DE"}},
        TextPageCase{"DeutschWithExtraTexts",
                     1,
                     true,
                     false,
                     {L"licence: Licence DE", L"licence: More licence DE", L"readme: Readme DE",
                      L"readme: More readme DE"}},
        TextPageCase{
            "DeutschWithTheOneText", 1, false, true, {L"licence: Licence EN", L"readme: Readme EN"}}),
    test::CaseName);

struct MasterFolderCase {
    const char* name;
    bool folderOnCommandLine;  // /d: names a folder of its own
    const wchar_t* installedInto;
};

class RequiredProductFolder : public testing::TestWithParam<MasterFolderCase> {};

// A product installed into the folder of the product it requires goes there, unless the
// command line names another folder.
TEST_P(RequiredProductFolder, IsTheFolderUnlessTheCommandLineNamesOne) {
    const MasterFolderCase& c = GetParam();
    const std::wstring name = L"Master" + Windows1252ToUtf16(c.name);
    InProcessInstallation install(name, true);
    Settings& settings = install.payload.settings;
    settings.productFlagsLow |= product_flags::kRequiredProduct;
    settings.requiredProduct.lookupName = L"Vantrel Seq InProc Required " + name;
    settings.defaultInstallFolder = L"<master>";
    const std::wstring master = install.folder.Join(L"master");
    ASSERT_TRUE(CreateDirectoryW(master.c_str(), nullptr));
    const std::wstring key =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + settings.requiredProduct.lookupName;
    ASSERT_TRUE(test::SetRegistryText(HKEY_LOCAL_MACHINE, key, L"InstallLocation", master + L"\\"));
    if (c.folderOnCommandLine)
        install.state.options.installFolderOverrideFull = install.folder.Join(L"chosen");
    EXPECT_EQ(install.Run(), kExitInstall);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    EXPECT_TRUE(install.ui->shown.empty());
    EXPECT_EQ(test::ReadTestFile(install.folder.Join(c.installedInto) + L"\\locked.bin"),
              std::string(4000, '\x33'));
    EXPECT_EQ(PathExists(master + L"\\locked.bin"), std::wstring(c.installedInto) == L"master");
}

INSTANTIATE_TEST_SUITE_P(InstallationSequence, RequiredProductFolder,
                         testing::Values(MasterFolderCase{"Default", false, L"master"},
                                         MasterFolderCase{"CommandLine", true, L"chosen"}),
                         test::CaseName);

struct UnusableFolderCase {
    const char* name;
    std::wstring (*folder)();
    std::wstring (*message)();
};

class UnattendedFolder : public testing::TestWithParam<UnusableFolderCase> {};

// Nobody looks at the folder of an unattended run: the checks of the folder page refuse it
// instead, with their message, and nothing is installed.
TEST_P(UnattendedFolder, IsCheckedLikeTheFolderPagesChoice) {
    const UnusableFolderCase& c = GetParam();
    InProcessInstallation install(L"Unattended" + Windows1252ToUtf16(c.name), true);
    Settings& settings = install.payload.settings;
    settings.defaultInstallFolder = c.folder();
    SetMessages(settings, {{17, L"Not the top of a drive."}, {18, L"Not into %s itself."}});
    EXPECT_EQ(install.Run(), kExitInstall);
    ASSERT_EQ(install.ui->shown.size(), 1u);
    EXPECT_EQ(install.ui->shown[0].text, c.message());
    EXPECT_EQ(install.ui->shown[0].style & 0xF0, mb::kIconError);
    EXPECT_FALSE(PathExists(PathJoin(settings.defaultInstallFolder, L"locked.bin")));
    EXPECT_TRUE(install.percents.empty());
}

INSTANTIATE_TEST_SUITE_P(
    InstallationSequence, UnattendedFolder,
    testing::Values(UnusableFolderCase{"DriveRoot", [] { return std::wstring(L"C:\\"); },
                                       [] { return std::wstring(L"Not the top of a drive."); }},
                    UnusableFolderCase{
                        "ProgramFiles", [] { return ProgramFilesFolder(FolderView::k32Bit); },
                        [] { return L"Not into " + ProgramFilesFolder(FolderView::k32Bit) + L" itself."; }}),
    test::CaseName);

// The listed programs are closed before anything is installed, and the uninstaller gets the
// same list.
TEST(InstallationSequence, ListedProgramsAreClosedAndListedForTheUninstaller) {
    test::RunningEditor editor(L"vantrel-seq-close");
    ASSERT_NE(editor.Window(), nullptr) << "the editor did not open a window";
    InProcessInstallation install(L"CloseApps", true);
    Settings& settings = install.payload.settings;
    settings.productFlagsLow |= product_flags::kRegisterForUninstall;
    settings.uninstallKeyName = L"Vantrel Seq InProc CloseApps";
    settings.autoClose = {test::CloseListEntry(L"*" + editor.DocumentName(), "", 0, 2)};
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_TRUE(editor.Process().Wait(60000).has_value());
    const std::string data = test::ReadTestFile(install.installDir + L"\\uninstall\\Uninstall.DAT");
    EXPECT_NE(data.find("[AutoClose]\r\n*vantrel-seq-close.txt,,The Editor,0\r\n"), std::string::npos)
        << data;
}

// A program the user is asked to close: Cancel instead of Retry cancels the installation.
TEST(InstallationSequence, ProgramLeftOpenCancelsWhenTheUserSaysSo) {
    test::RunningEditor editor(L"vantrel-seq-ask");
    ASSERT_NE(editor.Window(), nullptr) << "the editor did not open a window";
    InProcessInstallation install(L"CloseAsk", false);
    Settings& settings = install.payload.settings;
    SetMessages(settings, {{55, L"Programs"}, {107, L"Please close %s."}, {98, L"Cancelled."}});
    settings.autoClose = {test::CloseListEntry(editor.Title(), "", 2, 4)};
    install.ui->answers = {mb::kIdCancel};
    EXPECT_EQ(install.Run(), kExitInstall);
    ASSERT_EQ(install.ui->shown.size(), 2u);
    EXPECT_EQ(install.ui->shown[0].text, L"Please close The Editor.");
    EXPECT_EQ(install.ui->shown[0].caption, L"Programs");
    EXPECT_EQ(install.ui->shown[0].style & 0xF, mb::kRetryCancel);
    EXPECT_EQ(install.ui->shown[1].text, L"Cancelled.");
    EXPECT_FALSE(editor.Process().Wait(0).has_value());
    EXPECT_FALSE(PathExists(install.installDir));
}

// In an unattended run nobody is asked: the program stays and the installation goes on.
TEST(InstallationSequence, ProgramsThatAreOnlyAskedForStayInAnUnattendedRun) {
    test::RunningEditor editor(L"vantrel-seq-unasked");
    ASSERT_NE(editor.Window(), nullptr) << "the editor did not open a window";
    InProcessInstallation install(L"CloseUnasked", true);
    install.payload.settings.autoClose = {test::CloseListEntry(editor.Title(), "", 2, 4)};
    EXPECT_EQ(install.Run(), kExitInstall);
    EXPECT_TRUE(install.ui->shown.empty());
    EXPECT_FALSE(editor.Process().Wait(0).has_value());
    EXPECT_TRUE(PathExists(install.installDir + L"\\locked.bin"));
}

// An earlier installation whose uninstall entry lost its folder is still found through the
// product's own registry value, written in the registry-entry syntax; the uninstaller is
// told to remove that value.
TEST(InstallationSequence, EarlierInstallationIsFoundThroughTheInstallLocationValue) {
    InProcessInstallation install(L"LocationValue", true, product_flags2::kRecordInstallLocationValue);
    Settings& settings = install.payload.settings;
    settings.productFlagsLow |= product_flags::kRegisterForUninstall;
    settings.uninstallKeyName = L"Vantrel Seq InProc LocationValue";
    settings.installLocationValue = "\\HKCU\\Software\\Vantrel Seq InProc LocationValue\\Folder";
    settings.reinstallNotification = L"reinstall";
    settings.completionNotification = L"completion";
    const std::wstring entry =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + settings.uninstallKeyName;
    const std::wstring own = L"Software\\Vantrel Seq InProc LocationValue";
    ASSERT_TRUE(CreateDirectoryW(install.installDir.c_str(), nullptr));
    ASSERT_TRUE(test::SetRegistryText(HKEY_LOCAL_MACHINE, entry, L"DisplayVersion", L"1.0"));
    ASSERT_TRUE(test::SetRegistryText(HKEY_CURRENT_USER, own, L"Folder", install.installDir));
    std::vector<std::wstring> sent;
    install.state.queueNotification = [&sent](NotificationKind, const std::wstring& address) {
        sent.push_back(address);
    };
    EXPECT_EQ(install.Run(), kExitInstall);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, entry.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, own.c_str());
    EXPECT_EQ(sent, std::vector<std::wstring>{L"reinstall"});
    const std::string data = test::ReadTestFile(install.installDir + L"\\uninstall\\Uninstall.DAT");
    EXPECT_NE(data.find("!\\HKCU\\Software\\Vantrel Seq InProc LocationValue\\Folder\r\n"), std::string::npos)
        << data;
}

// The space the folder checks ask for: this program as the uninstaller, the payload's one
// file in whole clusters, and the product's extra size.
TEST(InstallationSequence, RequiredSpaceCountsTheUninstallerTheFilesAndTheExtraSize) {
    InProcessInstallation install(L"Space", true);
    install.payload.settings.pageStyles[0] = 5;
    install.payload.settings.pageStyles[1] = 1;
    const InstallRun run(install.state, install.payload, install.seams);
    const std::uint64_t cluster = ClusterSizeOf(install.folder.Path());
    const std::uint64_t program = FileSizeOf(ModuleFilePath()).value_or(0);
    ASSERT_GT(program, 0u);
    EXPECT_EQ(RequiredInstallSpace(run, install.folder.Path()),
              program + (4000 + cluster - 1) / cluster * cluster + 5 + (std::uint64_t{1} << 32));
}

}  // namespace
}  // namespace vantrel
