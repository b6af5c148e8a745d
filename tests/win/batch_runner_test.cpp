#include "context/batch_runner.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "context/install_log.h"
#include "context/install_session.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "support/folder_tree.h"
#include "support/scripted_ui.h"
#include "support/temp_file_name.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "ui/user_interface.h"

namespace vantrel {
namespace {

using test::PathExists;
using test::ReadTestFile;

// A session whose installation folder is a fresh folder of the temporary folder (created
// only when asked), and a log that keeps what is written.
struct BatchFixture {
    explicit BatchFixture(const std::wstring& folderName, bool createFolder = true) {
        settings.productName = L"Vantrel Batch";
        settings.productVersion = L"3.1";
        settings.uninstallSubfolder = L"uninstall";
        options.automatic = true;
        session = std::make_unique<InstallSession>(settings, options, ui);
        root = PathJoin(TemporaryFolder(), folderName);
        if (createFolder)
            CreateFolderTree(root);
        session->SetInstallDir(root);
        log.Begin();
    }
    ~BatchFixture() {
        log.CloseAndDelete();
        RemoveTree(root);
    }
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(PathJoin(folder, L"*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = PathJoin(folder, name);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::string LogText() { return ReadTestFile(log.BodyPath()); }
    bool Run(const std::string& commands, const char* title = "", bool hidden = true) {
        return RunBatch(*session, log, {commands, hidden, title});
    }

    CommandLineOptions options;
    test::ScriptedUserInterface ui;
    Settings settings;
    std::unique_ptr<InstallSession> session;
    InstallLog log;
    std::wstring root;
};

std::string Narrow(const std::wstring& text) {
    return Utf16ToWindows1252(text);
}

TEST(RunBatch, SetLinesReachTheScriptUnchanged) {
    BatchFixture fixture(L"vantrel batch set");
    // A folder with a percent sign and a product name and version with characters the
    // interpreter would otherwise read as variables or commands.
    const std::wstring folder = PathJoin(fixture.root, L"Tools 100% & more");
    ASSERT_TRUE(CreateFolderTree(folder));
    fixture.session->SetInstallDir(folder);
    fixture.session->product.name = L"Batch %Test% & Co";
    fixture.session->product.version = L"1.0&2>3";
    fixture.session->product.existingVersion = L"0.9.4";
    const std::wstring out = PathJoin(fixture.root, L"env.txt");
    ASSERT_TRUE(fixture.Run("set > \"" + Narrow(out) + "\"\r\n"));
    const std::string env = ReadTestFile(out);
    EXPECT_NE(env.find("InstallDir=" + Narrow(folder) + "\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("ProductName=Batch %Test% & Co\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("Version=1.0&2>3\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("OldVersion=0.9.4\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("OldVersionMajor=0\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("OldVersionMinor=9\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("Automatic=1\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("Existing=2\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("UninstallDir=" + Narrow(PathJoin(folder, L"uninstall")) + "\r\n"), std::string::npos)
        << env;
    // No stray file is left where the batch ran.
    EXPECT_FALSE(PathExists(PathJoin(folder, L"SETUPBAT.BAT")));
    EXPECT_FALSE(PathExists(PathJoin(folder, L"cs_batch.log")));
}

TEST(RunBatch, TitledBatchAnnouncesItselfAndCapturesItsOutput) {
    BatchFixture fixture(L"vantrel batch titled");
    ASSERT_TRUE(fixture.Run("echo first line\necho second line   \n", "Pre-Installation Batch"));
    const std::string log = fixture.LogText();
    EXPECT_NE(log.find("\r\nRunning Pre-Installation Batch...\r\nfirst line\r\nsecond line\r\n\r\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(PathExists(PathJoin(fixture.root, L"cs_batch.log")));
    EXPECT_FALSE(PathExists(PathJoin(fixture.root, L"SETUPBAT.BAT")));
}

TEST(RunBatch, UntitledBatchNeitherAnnouncesNorCaptures) {
    BatchFixture fixture(L"vantrel batch untitled");
    ASSERT_TRUE(fixture.Run("echo not in the log\r\n"));
    EXPECT_EQ(fixture.LogText().find("not in the log"), std::string::npos);
    EXPECT_EQ(fixture.LogText().find("Running"), std::string::npos);
}

TEST(RunBatch, BlankScriptStartsNothing) {
    BatchFixture fixture(L"vantrel batch blank");
    EXPECT_TRUE(fixture.Run(" \r\n\t\n\r\n", "Post-Installation Batch"));
    EXPECT_TRUE(fixture.LogText().empty());
}

TEST(RunBatch, RunsInTheTemporaryFolderWhileTheInstallationFolderIsMissing) {
    BatchFixture fixture(L"vantrel batch missing", false);
    const std::wstring out = PathJoin(TemporaryFolder(), L"vantrel-batch-cwd.txt");
    ASSERT_TRUE(fixture.Run("cd > \"" + Narrow(out) + "\"\r\n"));
    std::string cwd = ReadTestFile(out);
    DeleteFileW(out.c_str());
    while (!cwd.empty() && (cwd.back() == '\r' || cwd.back() == '\n'))
        cwd.pop_back();
    EXPECT_EQ(_stricmp(cwd.c_str(), Narrow(TemporaryFolder()).c_str()), 0) << cwd;
    EXPECT_FALSE(PathExists(fixture.root));
    EXPECT_FALSE(PathExists(PathJoin(TemporaryFolder(), L"SETUPBAT.BAT")));
}

TEST(RunBatch, MissingInterpreterIsLoggedAndFails) {
    BatchFixture fixture(L"vantrel batch no cli");
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"COMSPEC", saved, MAX_PATH);
    SetEnvironmentVariableW(L"COMSPEC", L"C:\\no such folder\\cmd.exe");
    const bool started = fixture.Run("echo x\r\n");
    SetEnvironmentVariableW(L"COMSPEC", saved);
    EXPECT_FALSE(started);
    EXPECT_NE(fixture.LogText().find("The CLI C:\\no such folder\\cmd.exe does not exist!\r\n"),
              std::string::npos);
}

// The batch copies its own file, so the test sees the bytes exactly as written.
std::string WrittenBatchFile(BatchFixture& fixture, const std::string& commands) {
    const std::wstring copy = PathJoin(fixture.root, L"copy.bin");
    EXPECT_TRUE(fixture.Run("copy /b SETUPBAT.BAT \"" + Narrow(copy) + "\" >nul\n" + commands));
    return ReadTestFile(copy);
}

TEST(RunBatch, AsciiFileIsWindows1252WithItsCodePageLine) {
    BatchFixture fixture(L"vantrel batch ascii");
    const std::string bytes = WrittenBatchFile(fixture, "echo plain");
    EXPECT_EQ(bytes.rfind("@chcp 1252 >nul\r\n@echo off\r\nSET Automatic=1\r\nSET \"InstallDir=", 0), 0u)
        << bytes;
    // Unix line ends of the script become CR LF, and the file ends with one.
    EXPECT_NE(bytes.find(" >nul\r\necho plain\r\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(RunBatch, TextBeyondAsciiMakesTheFileUtf8OnCurrentWindows) {
    BatchFixture fixture(L"vantrel batch utf8");
    fixture.session->product.name = L"Caf\u00e9";
    const std::string bytes = WrittenBatchFile(fixture, "echo \xe9t\xe9\r\n");  // Windows-1252 input
    EXPECT_EQ(bytes.rfind("@chcp 65001 >nul\r\n@echo off\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("SET \"ProductName=Caf\xc3\xa9\"\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("echo \xc3\xa9t\xc3\xa9\r\n"), std::string::npos);
}

struct PauseCase {
    const char* name;
    const wchar_t* line;
    bool removed;
};

class PauseLines : public testing::TestWithParam<PauseCase> {};

TEST_P(PauseLines, OnlyLinesThatOnlyPauseAreRemoved) {
    EXPECT_EQ(IsPauseLine(GetParam().line), GetParam().removed);
}

INSTANTIATE_TEST_SUITE_P(RunBatch, PauseLines,
                         testing::Values(PauseCase{"Plain", L"pause\r\n", true},
                                         PauseCase{"UpperCase", L"PAUSE", true},
                                         PauseCase{"AtSign", L"@pause\r\n", true},
                                         PauseCase{"BlanksAroundAtSign", L" \t@ PaUsE \t\r\n", true},
                                         PauseCase{"Redirected", L"pause >nul\r\n", false},
                                         PauseCase{"Echoed", L"echo pause\r\n", false},
                                         PauseCase{"TwoAtSigns", L"@@pause\r\n", false},
                                         PauseCase{"Longer", L"pauses\r\n", false}),
                         test::CaseName);

TEST(RunBatch, PauseLinesGoOnlyWhenNobodyCouldAnswer) {
    BatchFixture fixture(L"vantrel batch pause");
    const std::string script = "echo a\r\n @PAUSE \r\npause >nul\r\necho pause\r\n";
    const std::wstring kept = BatchFileText(*fixture.session, script, false);
    const std::wstring removed = BatchFileText(*fixture.session, script, true);
    EXPECT_NE(kept.find(L"echo a\r\n @PAUSE \r\npause >nul\r\necho pause\r\n"), std::wstring::npos);
    EXPECT_NE(removed.find(L"echo a\r\npause >nul\r\necho pause\r\n"), std::wstring::npos);
}

struct LineBreakCase {
    const char* name;
    const wchar_t* input;
    const wchar_t* expected;
};

class LineBreaks : public testing::TestWithParam<LineBreakCase> {};

TEST_P(LineBreaks, BecomeCarriageReturnLineFeed) {
    EXPECT_EQ(NormaliseLineBreaks(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(RunBatch, LineBreaks,
                         testing::Values(LineBreakCase{"Unix", L"a\nb\n", L"a\r\nb\r\n"},
                                         LineBreakCase{"OldMac", L"a\rb", L"a\r\nb\r\n"},
                                         LineBreakCase{"Reversed", L"a\n\rb\r\n", L"a\r\nb\r\n"},
                                         LineBreakCase{"Windows", L"a\r\n\r\nb", L"a\r\n\r\nb\r\n"}),
                         test::CaseName);

TEST(RunBatch, SetLineValuesAreEscapedForTheirForm) {
    EXPECT_EQ(SetLineValue(L"C:\\Tools 100%", true), L"C:\\Tools 100%%");
    EXPECT_EQ(SetLineValue(L"a & b | c", true), L"a & b | c");
    EXPECT_EQ(SetLineValue(L"1.0&2^3%", false), L"1.0^&2^^3%%");
}

}  // namespace
}  // namespace vantrel
