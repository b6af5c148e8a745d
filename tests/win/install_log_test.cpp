#include "context/install_log.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <regex>
#include <string>

#include "context/failure_list.h"
#include "context/finish_install_log.h"
#include "context/install_session.h"
#include "context/view_install_log.h"
#include "format/engine_version.h"
#include "format/os_version.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/scripted_ui.h"
#include "support/system_info.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using product_flags::kCreateLog;
using product_flags::kNoEndNotice;
using product_flags::kRebootNeeded;
using product_flags::kRegisterForUninstall;

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::size_t Count(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

MessageTable LogMessages() {
    std::vector<std::wstring> texts(44);
    texts[31] = L"Failed to install:";
    texts[40] = L"There were problems. View the log %s?";
    texts[41] = L"Installation problems";
    texts[42] = L"Installation complete.";
    texts[43] = L"Installation completed successfully.";
    return MessageTable({L"English"}, texts);
}

// One installation run into its own folder, with a scripted user interface and recorded
// seams.
struct LogRun {
    LogRun(const std::wstring& folder, std::uint32_t flagsLow) {
        settings.productName = L"Vantrel Log Test";
        settings.productVersion = L"2.0";
        settings.uninstallSubfolder = L"uninstall";
        settings.productFlagsLow = flagsLow;
        settings.messages = LogMessages();
        session = std::make_unique<InstallSession>(settings, options, *ui);
        session->SetInstallDir(folder);
        CreateDirectoryW(session->folders.uninstallDataDir.c_str(), nullptr);
        session->logging.seams.sendErrorNotification = [this](const std::wstring& address) {
            notified.push_back(address);
        };
        session->logging.seams.showSummaryPage = [this] { ++summaryPages; };
        session->logging.seams.viewLog = [this](const std::wstring& path) { viewed.push_back(path); };
    }
    void Finish(bool reinstall = false, bool finished = true) {
        FinishInstallLog(*session, session->logging.failures.Text(), reinstall, finished);
    }
    std::string Log() const { return ReadFileBytes(session->InstallLogPath()); }

    CommandLineOptions options;
    Settings settings;
    std::unique_ptr<test::ScriptedUserInterface> ui = std::make_unique<test::ScriptedUserInterface>();
    std::unique_ptr<InstallSession> session;
    std::vector<std::wstring> notified;
    std::vector<std::wstring> viewed;
    int summaryPages = 0;
};

TEST(InstallLog, TextBeforeBeginIsDiscardedAndEveryWriterConvertsToUtf8) {
    test::TempFolder folder(L"log-writers");
    LogRun run(folder.Path(), 0);
    InstallLog& log = run.session->logging.log;
    log.WriteLog("lost\r\n");
    ASSERT_TRUE(log.Begin());
    const std::wstring body = log.BodyPath();
    EXPECT_EQ(FileNameOf(body).substr(0, 3), L"QVT");
    log.WriteLog("Caf\xE9 \x80 \x9F|");  // 8-bit text is Windows-1252
    log.WriteLog(std::wstring(L"\u00FCber|"));
    log.WriteLogPieces({"a", "b", "\xE9|"});
    log.WriteLogPieces({L"c", L"\u20AC|"});
    log.WriteLogFormat(L"%s=%d|", {L"n", 5});
    log.WriteLogFormat("%s \xE9=%X|", {L"x", 255u});
    log.WriteLogRaw("\xFF\xFE", 2);
    EXPECT_EQ(ReadFileBytes(body),
              "Caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8|\xC3\xBC"
              "ber|ab\xC3\xA9|c\xE2\x82\xAC|n=5|x \xC3\xA9=FF|\xFF\xFE");
    log.CloseAndDelete();
    EXPECT_FALSE(FileExists(body));
    log.WriteLog("after\r\n");  // discarded again, and harmless
}

TEST(InstallLog, WritersKeepTheCallersErrorCode) {
    test::TempFolder folder(L"log-error-code");
    LogRun run(folder.Path(), 0);
    ASSERT_TRUE(run.session->logging.log.Begin());
    SetLastError(ERROR_SHARING_VIOLATION);
    run.session->logging.log.WriteLog("line\r\n");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(FailureList, AddFailureFormatsMessage31SubjectAndSystemText) {
    FailureList failures;
    const MessageTable messages = LogMessages();
    AddFailure(failures, messages, L"C:\\x\\a.dll", ERROR_ACCESS_DENIED);
    EXPECT_EQ(failures.Text(),
              L"Failed to install: C:\\x\\a.dll\r\n" + SystemErrorText(ERROR_ACCESS_DENIED) + L"\r\n\r\n");
    SetLastError(ERROR_FILE_NOT_FOUND);
    AddFailure(failures, messages, L"b");
    EXPECT_NE(failures.Text().find(L"Failed to install: b\r\n" + SystemErrorText(ERROR_FILE_NOT_FOUND)),
              std::wstring::npos);
}

TEST(FailureList, EndWithEmptyLine) {
    FailureList failures;
    failures.EndWithEmptyLine();
    EXPECT_EQ(failures.Text(), L"");
    failures.Append(L"one");
    failures.EndWithEmptyLine();
    EXPECT_EQ(failures.Text(), L"one\r\n\r\n");
    failures.EndWithEmptyLine();
    EXPECT_EQ(failures.Text(), L"one\r\n\r\n");
    failures.Append(L"two\r\n");
    failures.EndWithEmptyLine();
    EXPECT_EQ(failures.Text(), L"one\r\n\r\ntwo\r\n\r\n");
}

TEST(FinishInstallLog, WithoutFailuresAndWithoutTheLogBitNothingIsWritten) {
    test::TempFolder folder(L"log-none");
    LogRun run(folder.Path(), 0);
    ASSERT_TRUE(run.session->logging.log.Begin());
    const std::wstring body = run.session->logging.log.BodyPath();
    run.session->logging.log.WriteLog("Installing...\r\n");
    run.Finish();
    EXPECT_FALSE(FileExists(run.session->InstallLogPath()));
    EXPECT_FALSE(FileExists(body));
    // No finish actions: the success notice.
    ASSERT_EQ(run.ui->shown.size(), 1u);
    EXPECT_EQ(run.ui->shown[0].text, L"Installation complete.");
    EXPECT_EQ(run.ui->shown[0].caption, L"Installation completed successfully.");
    EXPECT_EQ(run.ui->shown[0].style, mb::kOk | mb::kIconInformation);
    EXPECT_TRUE(run.notified.empty());
}

TEST(FinishInstallLog, OneFailureWritesTheLogWithTheFailureSummary) {
    test::TempFolder folder(L"log-failure");
    LogRun run(folder.Path(), 0);
    run.settings.errorNotification = L"https://example.invalid/error";
    ASSERT_TRUE(run.session->logging.log.Begin());
    run.session->logging.log.WriteLog("Installing file a.dll\r\n");
    AddFailure(run.session->logging.failures, run.settings.messages, L"C:\\x\\a.dll", ERROR_ACCESS_DENIED);
    run.ui->answers = {mb::kIdNo};
    run.Finish();

    const std::string log = run.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(Count(log, "\xEF\xBB\xBF"), 1u);
    EXPECT_NE(log.find("Installing file a.dll\r\n\r\n*** FAILURE SUMMARY ***\r\n"), std::string::npos) << log;
    EXPECT_TRUE(
        EndsWith(log, "*** FAILURE SUMMARY ***\r\n" + Utf16ToUtf8(run.session->logging.failures.Text())))
        << log;
    EXPECT_EQ(log.find("Installation completed successfully."), std::string::npos);
    // The question offers the log; "no" opens nothing.
    ASSERT_EQ(run.ui->shown.size(), 1u);
    EXPECT_EQ(run.ui->shown[0].text,
              L"There were problems. View the log " + run.session->InstallLogPath() + L"?");
    EXPECT_EQ(run.ui->shown[0].caption, L"Installation problems");
    EXPECT_EQ(run.ui->shown[0].style, mb::kYesNo | mb::kIconQuestion | mb::kSetForeground);
    EXPECT_TRUE(run.viewed.empty());
    EXPECT_EQ(run.notified, std::vector<std::wstring>{L"https://example.invalid/error"});
}

TEST(FinishInstallLog, AnsweringYesOpensTheLog) {
    test::TempFolder folder(L"log-view");
    LogRun run(folder.Path(), 0);
    run.session->logging.failures.Append(L"something failed\r\n\r\n");
    run.ui->answers = {mb::kIdYes};
    run.Finish();
    EXPECT_EQ(run.viewed, std::vector<std::wstring>{run.session->InstallLogPath()});
}

TEST(FinishInstallLog, ALogThatCannotBeOpenedIsNotOffered) {
    test::TempFolder folder(L"log-unopenable");
    LogRun run(folder.Join(L"missing\\deeper"), 0);
    run.session->logging.failures.Append(L"something failed\r\n\r\n");
    run.ui->answers = {mb::kIdYes};
    run.Finish();
    EXPECT_FALSE(FileExists(run.session->InstallLogPath()));
    EXPECT_TRUE(run.viewed.empty());
}

TEST(FinishInstallLog, SuccessWithTheLogBitEndsWithMessage43) {
    test::TempFolder folder(L"log-success");
    LogRun run(folder.Path(), kCreateLog);
    ASSERT_TRUE(run.session->logging.log.Begin());
    run.session->logging.log.WriteLog("Done.\r\n");
    run.Finish();
    const std::string log = run.Log();
    EXPECT_TRUE(EndsWith(log, "\r\n\r\nDone.\r\n\r\nInstallation completed successfully.\r\n")) << log;
    EXPECT_EQ(log.find("FAILURE SUMMARY"), std::string::npos);
}

TEST(FinishInstallLog, HeaderLinesAreExact) {
    test::TempFolder folder(L"log-header");
    LogRun run(folder.Path(), kCreateLog | kRegisterForUninstall);
    run.session->product.existingVersion = L"1.5";
    run.Finish(/*reinstall=*/true);
    const std::string log = run.Log();
    const std::string expectedStart =
        "\xEF\xBB\xBF"
        "Installation log for: Vantrel Log Test\r\nInstall date: ";
    ASSERT_EQ(log.substr(0, expectedStart.size()), expectedStart) << log;
    const std::string rest = log.substr(expectedStart.size());
    const std::regex date(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d\r\n)");
    ASSERT_TRUE(std::regex_search(rest, date)) << rest;
    const std::string expected =
        "Install type: Reinstall\r\nInstall location: " + Utf16ToUtf8(folder.Path()) +
        "\r\nInstaller version: " + std::string(kEngineVersion) +
        "\r\nProduct version: 2.0\r\n"
        "Overwriting version: 1.5\r\nOperating system: " +
        Utf16ToUtf8(OsDescription(CurrentOs())) + "\r\n\r\n\r\n" + "Installation completed successfully.\r\n";
    EXPECT_EQ(rest.substr(19), expected);
}

TEST(InstallLogHeader, OptionalLinesAreLeftOut) {
    InstallLogHeader header;
    header.productName = L"P";
    header.installDate = InstallDateText(2024, 3, 7, 9, 5, 1);
    header.installLocation = L"C:\\P";
    header.productVersion = L"  ";
    header.osDescription = L"Windows 7";
    EXPECT_EQ(InstallLogHeaderText(header),
              L"Installation log for: P\r\nInstall date: 24/03/07 09:05:01\r\nInstall location: C:\\P\r\n"
              L"Installer version: " +
                  std::wstring(kEngineVersionW) + L"\r\nOperating system: Windows 7\r\n\r\n");
    header.writesUninstaller = true;
    EXPECT_NE(InstallLogHeaderText(header).find(L"\r\nInstall type: New\r\nInstall location"),
              std::wstring::npos);
    EXPECT_EQ(InstallDateText(2100, 12, 31, 23, 59, 58), L"00/12/31 23:59:58");
}

TEST(FinishInstallLog, ASecondRunAppendsAfterTheSeparatorWithOneByteOrderMark) {
    test::TempFolder folder(L"log-append");
    {
        LogRun first(folder.Path(), kCreateLog);
        ASSERT_TRUE(first.session->logging.log.Begin());
        first.session->logging.log.WriteLog("first run\r\n");
        first.Finish();
    }
    LogRun second(folder.Path(), kCreateLog);
    ASSERT_TRUE(second.session->logging.log.Begin());
    second.session->logging.log.WriteLog("second run\r\n");
    second.Finish();
    const std::string log = second.Log();
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(Count(log, "\xEF\xBB\xBF"), 1u);
    EXPECT_EQ(Count(log, "Installation log for: "), 2u);
    const std::string separator =
        "successfully.\r\n\r\n\r\n" + std::string(46, '*') + "\r\nInstallation log for: ";
    EXPECT_EQ(Count(log, separator), 1u) << log;
    EXPECT_LT(log.find("first run"), log.find(separator));
    EXPECT_GT(log.find("second run"), log.find(separator));
}

TEST(FinishInstallLog, AnOldWindows1252LogIsConvertedOnce) {
    test::TempFolder folder(L"log-convert");
    LogRun run(folder.Path(), kCreateLog);
    WriteFileBytes(run.session->InstallLogPath(), "Old entry: caf\xE9 \x80\r\n");
    run.Finish();
    const std::string log = run.Log();
    const std::string expectedStart = "\xEF\xBB\xBFOld entry: caf\xC3\xA9 \xE2\x82\xAC\r\n\r\n\r\n" +
                                      std::string(46, '*') + "\r\nInstallation log for: ";
    EXPECT_EQ(log.substr(0, expectedStart.size()), expectedStart) << log;
}

TEST(FinishInstallLog, AutomaticModeWritesTheLogButAsksNothing) {
    test::TempFolder folder(L"log-automatic");
    LogRun run(folder.Path(), 0);
    run.session->automatic = true;
    run.session->logging.failures.Append(L"something failed\r\n\r\n");
    run.Finish();
    EXPECT_NE(run.Log().find("*** FAILURE SUMMARY ***\r\nsomething failed"), std::string::npos);
    EXPECT_TRUE(run.ui->shown.empty());
    EXPECT_TRUE(run.viewed.empty());
}

TEST(FinishInstallLog, TheCrashHandlerWritesTheLogWithoutANotice) {
    test::TempFolder folder(L"log-crash");
    LogRun run(folder.Path(), 0);
    run.session->logging.failures.Append(L"\r\n\r\nINSTALLER CRASHED!\r\nreport");
    run.Finish(false, /*finished=*/false);
    EXPECT_NE(run.Log().find("*** FAILURE SUMMARY ***\r\n\r\n\r\nINSTALLER CRASHED!\r\nreport"),
              std::string::npos);
    EXPECT_TRUE(run.ui->shown.empty());
}

struct NoticeCase {
    const char* name;
    std::uint32_t flagsLow;
    std::uint32_t flagsHigh;
    bool launchApplication;
    bool messageBox;
    bool summaryPage;
};

class EndNotice : public testing::TestWithParam<NoticeCase> {};

TEST_P(EndNotice, WithoutFailures) {
    test::TempFolder folder(L"log-notice");
    LogRun run(folder.Path(), GetParam().flagsLow);
    run.session->flags.high = GetParam().flagsHigh;
    if (GetParam().launchApplication)
        run.settings.launchApplication = L"%InstallDir%\\app.exe";
    run.Finish();
    EXPECT_EQ(run.ui->shown.size(), GetParam().messageBox ? 1u : 0u);
    EXPECT_EQ(run.summaryPages, GetParam().summaryPage ? 1 : 0);
}

constexpr std::uint32_t kOffersLog = product_flags::kSummaryOffersLog;

INSTANTIATE_TEST_SUITE_P(Table, EndNotice,
                         testing::Values(NoticeCase{"NothingToOffer", 0, 0, false, true, false},
                                         NoticeCase{"LaunchOffered", 0, 0, true, false, true},
                                         NoticeCase{"LogOffered", kCreateLog, kOffersLog, false, false, true},
                                         NoticeCase{"LogOfferDroppedWithoutLog", 0, kOffersLog, false, true,
                                                    false},
                                         NoticeCase{"RebootNeeded", kRebootNeeded, 0, true, true, false},
                                         NoticeCase{"NoEndNotice", kNoEndNotice, 0, true, false, false}),
                         test::CaseName);

TEST(FinishInstallLog, WithoutTheLogBitTheSummaryPageOffersNoLog) {
    test::TempFolder folder(L"log-offer");
    LogRun run(folder.Path(), 0);
    run.session->flags.high = kOffersLog;
    run.Finish();
    EXPECT_EQ(run.session->flags.high & kOffersLog, 0u);
}

struct ShellCall {
    std::wstring verb;
    std::wstring file;
};

struct FakeShell {
    std::vector<long long> results;
    std::vector<ShellCall> calls;
    std::vector<std::wstring> started;
    ShellOpenServices Services() {
        ShellOpenServices services;
        services.shellExecute = [this](const wchar_t* verb, const std::wstring& file, const std::wstring&) {
            calls.push_back({verb ? verb : L"", file});
            const long long result = results.empty() ? 42 : results.front();
            if (!results.empty())
                results.erase(results.begin());
            return result;
        };
        services.startProcess = [this](const std::wstring& commandLine) {
            started.push_back(commandLine);
            return true;
        };
        return services;
    }
};

TEST(ViewInstallLog, OpensWithTheDefaultVerb) {
    FakeShell shell;
    EXPECT_TRUE(ViewInstallLog(L"C:\\P\\Install.log", shell.Services()));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, L"");
    EXPECT_EQ(shell.calls[0].file, L"C:\\P\\Install.log");
    EXPECT_TRUE(shell.started.empty());
}

TEST(ViewInstallLog, RetriesWithRunAsOnAccessDeniedThenFallsBackToNotepad) {
    FakeShell shell;
    shell.results = {SE_ERR_ACCESSDENIED, SE_ERR_ACCESSDENIED};
    EXPECT_TRUE(ViewInstallLog(L"C:\\P Q\\Install.log", shell.Services()));
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].verb, L"runas");
    EXPECT_EQ(shell.started, std::vector<std::wstring>{L"\"" + SystemFolder() +
                                                       L"\\notepad.exe\" \"C:\\P Q\\Install.log\""});
}

TEST(ViewInstallLog, OtherShellFailuresGoStraightToNotepad) {
    FakeShell shell;
    shell.results = {SE_ERR_NOASSOC};
    ViewInstallLog(L"C:\\P\\Install.log", shell.Services());
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.started.size(), 1u);
}

}  // namespace
}  // namespace vantrel
