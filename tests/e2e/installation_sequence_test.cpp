// Installations from the first step to the last, as processes: each scenario builds its own
// setup program, prepares the machine (an earlier installation in the registry, folders),
// runs it and checks the exit code, the files, the registry and Install.log.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/test_registry.h"
#include "support/ui_driver.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::PathExists;

constexpr DWORD kTimeoutMs = 60000;
constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

const Bytes& EngineBytes() {
    static const Bytes bytes = test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE));
    return bytes;
}

std::string Narrow(const std::wstring& text) {
    return Utf16ToWindows1252(text);
}

// One scenario's machine: a folder for the installation and one for the files the batches
// leave as evidence, and the product's uninstall entry, removed again at the end.
struct Machine {
    explicit Machine(const std::wstring& name)
        : product(L"Vantrel Seq " + name),
          root(L"seq-" + name),
          installDir(root.Join(L"app")),
          evidence(root.Join(L"evidence")),
          entryKey(kUninstallRoot + product) {
        CreateDirectoryW(evidence.c_str(), nullptr);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());
    }
    ~Machine() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str()); }

    // An earlier installation of the product in `installDir`.
    void EarlierInstallation(const std::wstring& version) {
        CreateDirectoryW(installDir.c_str(), nullptr);
        test::SetRegistryText(HKEY_LOCAL_MACHINE, entryKey, L"InstallLocation", installDir);
        test::SetRegistryText(HKEY_LOCAL_MACHINE, entryKey, L"DisplayVersion", version);
    }
    // A batch that leaves "<name>.txt" in the evidence folder with the batch's view of a few
    // variables.
    std::string Evidence(const char* name) const {
        return "echo %Existing% %OldVersion% %InstallDir%> \"" + Narrow(evidence) + "\\" + name +
               ".txt\"\r\n";
    }
    bool Ran(const char* name) const { return PathExists(evidence + L"\\" + Wide(name) + L".txt"); }
    std::string EvidenceText(const char* name) const {
        return test::ReadTestFile(evidence + L"\\" + Wide(name) + L".txt");
    }
    static std::wstring Wide(const char* text) { return Windows1252ToUtf16(text); }
    std::wstring Log() const { return installDir + L"\\uninstall\\Install.log"; }
    std::wstring Data() const { return installDir + L"\\uninstall\\Uninstall.DAT"; }

    std::wstring product;
    test::TempFolder root;
    std::wstring installDir;
    std::wstring evidence;
    std::wstring entryKey;
};

// A product that registers for uninstallation, keeps a log and runs every batch.
Settings ScenarioSettings(const Machine& machine, const std::wstring& version) {
    Settings s = test::FixtureSettings(machine.product);
    s.productVersion = version;
    s.defaultInstallFolder = machine.installDir;
    s.uninstallSubfolder = L"uninstall";
    s.uninstallKeyName = machine.product;
    s.productFlagsLow |= product_flags::kRegisterForUninstall | product_flags::kCreateLog;
    s.productFlagsHigh |= product_flags::kCompareVersions;
    s.preInstallBatch = machine.Evidence("pre");
    s.upgradeBatch = machine.Evidence("upgrade");
    s.reinstallBatch = machine.Evidence("reinstall");
    s.postInstallBatch = "echo post batch says hello\r\n" + machine.Evidence("post");
    s.exitBatch = machine.Evidence("exit");
    std::vector<std::wstring> texts(120);
    texts[12] = L"%s must be installed first.";
    texts[21] = L"Fixture Error Title";
    texts[106] = L"<product>: versions below %s cannot be replaced.";
    s.messages = MessageTable({L"English"}, texts);
    return s;
}

PayloadWriteOptions TitledBatches(std::uint32_t extraFlags2 = 0) {
    PayloadWriteOptions options;
    options.productFlags2 = product_flags2::kPreBatchTitled | product_flags2::kPostBatchTitled | extraFlags2;
    return options;
}

struct Outcome {
    std::optional<DWORD> exitCode;
    std::wstring shownText;  // the one message box the run showed, if any
    bool windowShown = false;
};

// Two files for the installation folder, one in a subfolder.
std::vector<PayloadFileInput> ProductFiles() {
    return {test::FilledFile("app.bin", 70000, 0x5A), test::FilledFile("docs\\readme.txt", 1200, 'r')};
}

// Runs the built setup; a message box that appears is read and answered with `button`.
Outcome RunSetup(const Machine& machine, const Settings& settings, const PayloadWriteOptions& options,
                 const std::wstring& arguments, bool expectBox = false, const std::wstring& button = L"OK") {
    const std::wstring path = machine.root.Join(L"setup.exe");
    Settings compressed = settings;
    compressed.productFlagsLow |= product_flags::kCompressedBlocks;
    EXPECT_TRUE(test::BuildSetup(EngineBytes(), compressed, ProductFiles(), options).Save(path));
    ChildProcess child = ChildProcess::Start(path, arguments);
    EXPECT_TRUE(child.Started());
    Outcome outcome;
    if (expectBox) {
        HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
        if (box != nullptr) {
            outcome.windowShown = true;
            outcome.shownText = test::AllStaticText(box);
            test::PressButton(box, button);
        }
    }
    outcome.exitCode = child.Wait(kTimeoutMs);
    if (!expectBox)
        outcome.windowShown = false;
    return outcome;
}

TEST(InstallationSequence, FirstInstallationRunsItsBatchesAndLeavesDataAndLog) {
    Machine machine(L"First");
    const Outcome outcome = RunSetup(machine, ScenarioSettings(machine, L"2.0"), TitledBatches(), L"/a");
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_TRUE(machine.Ran("pre"));
    EXPECT_TRUE(machine.Ran("post"));
    EXPECT_TRUE(machine.Ran("exit"));
    EXPECT_FALSE(machine.Ran("upgrade"));
    EXPECT_FALSE(machine.Ran("reinstall"));
    // No earlier installation; the batch sees the folder chosen for this one.
    EXPECT_EQ(machine.EvidenceText("pre"), "0  " + Narrow(machine.installDir) + "\r\n");
    EXPECT_TRUE(PathExists(machine.Data()));
    // The payload's files, and their removal records for the uninstaller.
    EXPECT_EQ(test::ReadTestFile(machine.installDir + L"\\app.bin"), std::string(70000, '\x5A'));
    EXPECT_EQ(test::ReadTestFile(machine.installDir + L"\\docs\\readme.txt"), std::string(1200, 'r'));
    const std::string data = test::ReadTestFile(machine.Data());
    EXPECT_NE(data.find("app.bin"), std::string::npos);
    EXPECT_NE(data.find("readme.txt"), std::string::npos);
    const std::string log = test::ReadTestFile(machine.Log());
    EXPECT_NE(log.find("Running Pre-Installation Batch..."), std::string::npos) << log;
    EXPECT_NE(log.find("Running Post-Installation Batch...\r\npost batch says hello\r\n"), std::string::npos)
        << log;
    // The batch files are gone from where they ran.
    EXPECT_FALSE(PathExists(machine.installDir + L"\\SETUPBAT.BAT"));
    EXPECT_FALSE(PathExists(machine.installDir + L"\\cs_batch.log"));
}

struct ExistingCase {
    const char* name;
    const wchar_t* oldVersion;
    bool reinstallRestricted;  // ProductFlags2 0x1
    bool upgradeRuns;
    bool reinstallRuns;
    const char* existingVariable;  // %Existing% as the batches see it
};

class ExistingInstallation : public testing::TestWithParam<ExistingCase> {};

TEST_P(ExistingInstallation, RunsTheBatchesOfItsVersionRelation) {
    const ExistingCase& c = GetParam();
    Machine machine(Machine::Wide(c.name));
    machine.EarlierInstallation(c.oldVersion);
    const PayloadWriteOptions options =
        TitledBatches(c.reinstallRestricted ? product_flags2::kReinstallBatchRestricted : 0);
    const Outcome outcome = RunSetup(machine, ScenarioSettings(machine, L"2.0"), options, L"/a");
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_TRUE(machine.Ran("pre"));
    EXPECT_EQ(machine.Ran("upgrade"), c.upgradeRuns);
    EXPECT_EQ(machine.Ran("reinstall"), c.reinstallRuns);
    EXPECT_EQ(machine.EvidenceText("pre"), std::string(c.existingVariable) + " " + Narrow(c.oldVersion) +
                                               " " + Narrow(machine.installDir) + "\r\n");
    EXPECT_TRUE(PathExists(machine.Data()));
}

INSTANTIATE_TEST_SUITE_P(InstallationSequence, ExistingInstallation,
                         testing::Values(ExistingCase{"SameVersion", L"2.0", false, false, true, "1"},
                                         ExistingCase{"SameVersionRestricted", L"2.0", true, false, true,
                                                      "1"},
                                         ExistingCase{"Upgrade", L"1.5", false, true, true, "2"},
                                         ExistingCase{"UpgradeRestricted", L"1.5", true, true, false, "2"},
                                         ExistingCase{"Downgrade", L"3.0", false, false, true, "3"}),
                         test::CaseName);

TEST(InstallationSequence, DowngradeBelowTheMinimumWritesNothing) {
    Machine machine(L"NoDowngrade");
    machine.EarlierInstallation(L"3.1");
    test::SetRegistryText(HKEY_LOCAL_MACHINE, machine.entryKey, L"NoDowngradeBelow", L"3.0");
    const Settings settings = ScenarioSettings(machine, L"2.0");
    // Automatic: no message, exit 1.
    Outcome outcome = RunSetup(machine, settings, TitledBatches(), L"/a");
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    // Interactive: message 106 with the minimum.
    outcome = RunSetup(machine, settings, TitledBatches(), L"", true);
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_EQ(outcome.shownText, L"Vantrel Seq NoDowngrade: versions below 3.0 cannot be replaced.");
    EXPECT_FALSE(machine.Ran("pre"));
    EXPECT_FALSE(PathExists(machine.Data()));
    EXPECT_FALSE(PathExists(machine.Log()));
}

struct MustUninstallCase {
    const char* name;
    bool quietCommand;      // QuietUninstallString is set too, and wins
    bool plainCommand;      // UninstallString is set
    const wchar_t* button;  // pressed on the question
    bool handedOver;
};

class MustUninstall : public testing::TestWithParam<MustUninstallCase> {};

// An earlier installation that must go first: even with /a the question is asked (automatic
// mode is off); on OK its uninstaller is started, without waiting, with this installer's
// command line behind /r:, and this run ends without installing anything.
TEST_P(MustUninstall, HandsTheRunToTheUninstaller) {
    const MustUninstallCase& c = GetParam();
    Machine machine(Machine::Wide(c.name));
    machine.EarlierInstallation(L"1.0");
    // The "uninstaller" writes its own command line into a file.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring marker = machine.evidence + L"\\uninstaller.txt";
    const std::wstring writer = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo ";
    if (c.plainCommand)
        test::SetRegistryText(HKEY_LOCAL_MACHINE, machine.entryKey, L"UninstallString",
                              writer + L"plain>\"" + marker + L"\"");
    if (c.quietCommand)
        test::SetRegistryText(HKEY_LOCAL_MACHINE, machine.entryKey, L"QuietUninstallString",
                              writer + L"quiet>\"" + marker + L"\"");
    Settings settings = ScenarioSettings(machine, L"2.0");
    settings.productFlagsLow |= product_flags::kMustUninstallFirst;
    std::vector<std::wstring> texts = settings.messages.Texts();
    texts[9] = L"Remove the earlier version first.";
    // The question's own buttons: the uninstallation and Cancel.
    texts[104] = L"OK";
    texts[49] = L"Cancel";
    settings.messages = MessageTable({L"English"}, texts);
    const Outcome outcome =
        RunSetup(machine, settings, TitledBatches(), L"/a /b1:\"echo x\"", true, c.button);
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_EQ(outcome.shownText, L"Remove the earlier version first.");
    // Started without waiting: give it a moment.
    for (int i = 0; i < 100 && c.handedOver && test::ReadTestFile(marker).empty(); ++i)
        Sleep(100);
    if (!c.handedOver)
        Sleep(1000);
    const std::string handed = test::ReadTestFile(marker);
    if (c.handedOver) {
        EXPECT_EQ(handed.rfind(c.quietCommand ? "quiet" : "plain", 0), 0u) << handed;
        // The installer's own command line follows /r:, its quotes turned into backquotes.
        EXPECT_NE(handed.find("/r:\"`"), std::string::npos) << handed;
        EXPECT_NE(handed.find("setup.exe` /a /b1:`echo x`\""), std::string::npos) << handed;
    } else {
        EXPECT_EQ(handed, "");
    }
    EXPECT_FALSE(machine.Ran("pre"));
    EXPECT_FALSE(PathExists(machine.Data()));
    EXPECT_FALSE(PathExists(machine.Log()));
}

INSTANTIATE_TEST_SUITE_P(
    InstallationSequence, MustUninstall,
    testing::Values(MustUninstallCase{"MustUninstallAccepted", false, true, L"OK", true},
                    MustUninstallCase{"MustUninstallQuietFirst", true, true, L"OK", true},
                    MustUninstallCase{"MustUninstallDeclined", false, true, L"Cancel", false},
                    // No command at all: message 9 alone, nothing to start.
                    MustUninstallCase{"MustUninstallWithoutCommand", false, false, L"OK", false}),
    test::CaseName);

TEST(InstallationSequence, MissingRequiredProductIsReportedEvenInAutomaticMode) {
    Machine machine(L"Required");
    Settings settings = ScenarioSettings(machine, L"2.0");
    settings.productFlagsLow |= product_flags::kRequiredProduct;
    settings.requiredProduct.lookupName = L"Vantrel Seq Absent Master";
    settings.requiredProduct.displayName = L"The Master Product";
    const Outcome outcome = RunSetup(machine, settings, TitledBatches(), L"/a", true);
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_EQ(outcome.shownText, L"The Master Product must be installed first.");
    EXPECT_FALSE(machine.Ran("pre"));
}

TEST(InstallationSequence, RegistryFolderWithoutItsValueEndsTheRun) {
    Machine machine(L"RegistryFolder");
    Settings settings = ScenarioSettings(machine, L"2.0");
    settings.defaultInstallFolder = L"HKCU\\Software\\Vantrel Seq Missing\\InstallPath";
    const Outcome outcome = RunSetup(machine, settings, TitledBatches(), L"/a", true);
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_EQ(
        outcome.shownText,
        L"Failed to obtain installation path from \"HKCU\\Software\\Vantrel Seq Missing\\InstallPath\"");
    EXPECT_FALSE(machine.Ran("pre"));
}

TEST(InstallationSequence, RegistryFolderTakesTheValuesFolder) {
    Machine machine(L"RegistryFolderFound");
    CreateDirectoryW(machine.installDir.c_str(), nullptr);
    test::SetRegistryText(HKEY_CURRENT_USER, L"Software\\Vantrel Seq Found", L"InstallPath",
                          machine.installDir + L"\\");
    Settings settings = ScenarioSettings(machine, L"2.0");
    settings.defaultInstallFolder = L"HKCU\\Software\\Vantrel Seq Found\\InstallPath";
    const Outcome outcome = RunSetup(machine, settings, TitledBatches(), L"/a");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Vantrel Seq Found");
    EXPECT_EQ(outcome.exitCode, std::optional<DWORD>(1u));
    EXPECT_EQ(machine.EvidenceText("pre"), "0  " + Narrow(machine.installDir) + "\r\n");
    EXPECT_TRUE(PathExists(machine.Data()));
}

TEST(InstallationSequence, BitnessMismatchInAutomaticModeEndsSilently) {
    Machine machine(L"Bitness");
    Settings settings = ScenarioSettings(machine, L"2.0");
    // The test prefix is a 64-bit Windows: a product for 32-bit Windows only does not fit.
    settings.bitness = product_bitness::k32Bit;
    const std::wstring path = machine.root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), settings, {}, TitledBatches()).Save(path));
    ChildProcess child = ChildProcess::Start(path, L"/a");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(test::WaitForTopLevelWindow(child.Id(), 3000), nullptr);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_FALSE(machine.Ran("pre"));
    EXPECT_FALSE(PathExists(machine.installDir));
}

}  // namespace
}  // namespace vantrel
