#include "support/crash_filter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "format/crash_text.h"
#include "loopback_server.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/exception_dialog_ids.h"

namespace vantrel {
namespace {

struct ProbeRun {
    std::optional<DWORD> exitCode;
    std::string log;
};

std::wstring ProbePath() {
    return test::HostPathToWindows(VANTREL_CRASH_PROBE_EXE);
}

ProbeRun RunProbe(const std::wstring& mode, const test::TempFolder& folder) {
    test::ChildProcess probe =
        test::ChildProcess::Start(ProbePath(), mode + L" \"" + folder.Path() + L"\" silent");
    ProbeRun run;
    run.exitCode = probe.Wait(60000);
    run.log = test::ReadTestFile(folder.Path() + L"\\uninstall\\Install.log");
    return run;
}

// Each piece must follow the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << piece << "\n" << text;
        at = found + piece.size();
    }
}

TEST(CrashReport, AnUnguardedCrashWritesEverySectionInOrderAndEndsSilentlyWithOne) {
    test::TempFolder folder(L"crash-write");
    const ProbeRun run = RunProbe(L"write", folder);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1));
    ExpectInOrder(run.log, {"Before the crash\r\n",
                            "INSTALLER CRASHED!\r\n",
                            "Exception: Illegal memory access.\r\n",
                            "\r\nProduct: Vantrel Setup ",
                            "\r\n\r\nException code: C0000005\r\nAddress: ",
                            "Module: crash_probe.exe\r\n",
                            "Read/write: write\r\nMemory address: 00000010\r\n",
                            "Thread ID: ",
                            "  Main Thread: ",
                            "Process/kernel/user time: ",
                            "OS: ",
                            "IE: ",
                            "Language: ",
                            "Locale: 0x",
                            "  Codepage: ",
                            "Command line: ",
                            "\r\nCPU Registers:\r\nFlags: ",
                            "\r\n  EAX: ",
                            "\r\n  EIP: ",
                            "\r\n   SS: ",
                            "\r\n\r\nModules:\r\n",
                            "crash_probe.exe\r\n",
                            "\r\nCall Stack:\r\n"});
    EXPECT_EQ(run.log.find("previous out-of-memory"), std::string::npos);
}

TEST(CrashReport, AStackOverflowIsReportedFromAFreshStack) {
    test::TempFolder folder(L"crash-overflow");
    const ProbeRun run = RunProbe(L"overflow", folder);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1));
    ExpectInOrder(run.log, {"INSTALLER CRASHED!\r\n", "Exception: Stack overflow.\r\n",
                            "Exception code: C00000FD\r\n", "\r\nCall Stack:\r\n"});
}

struct FatalCase {
    const char* name;
    const wchar_t* mode;
    const char* expected;
};

class CrashReportFatalTest : public ::testing::TestWithParam<FatalCase> {};

TEST_P(CrashReportFatalTest, EndsInTheCrashReportWithTheMessage) {
    test::TempFolder folder(L"crash-fatal");
    const ProbeRun run = RunProbe(GetParam().mode, folder);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1));
    ExpectInOrder(run.log, {"INSTALLER CRASHED!\r\n", GetParam().expected, "\r\nProduct: Vantrel Setup ",
                            "Thread ID: ", "\r\n\r\nModules:\r\n", "\r\nCall Stack:\r\n"});
    EXPECT_EQ(run.log.find("Exception code:"), std::string::npos);
    EXPECT_EQ(run.log.find("CPU Registers"), std::string::npos);
    // An out-of-memory report does not repeat itself as an earlier condition.
    EXPECT_EQ(run.log.find("previous out-of-memory"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CrashReportFatalTest,
    ::testing::Values(FatalCase{"FatalError", L"fatal", "Fatal error: Probe fatal\r\n"},
                      FatalCase{"Assertion", L"assert",
                                "Fatal error: Internal Fatal Error\r\nModule: probe.cpp\r\nLine: 42\r\n"},
                      FatalCase{
                          "OutOfMemory", L"oom",
                          "Fatal error: Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.\r\n"
                          "Requested size = 4294967280 (0xFFFFFFF0)\r\n\r\nStack contents:\r\n"}),
    test::CaseName);

TEST(CrashReport, AReleaserThatGivesMemoryBackLetsTheAllocationBeTriedAgain) {
    test::TempFolder folder(L"crash-reserve");
    const ProbeRun run = RunProbe(L"reserve", folder);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(7));
    EXPECT_EQ(run.log, "");  // no report: the run went on
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[16384] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 16384, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(CrashReport, TheDialogShowsTheTextCopiesItAndSendsNothingOnExit) {
    test::TempFolder folder(L"crash-dialog");
    test::LoopbackServer server(true);
    test::ChildProcess probe = test::ChildProcess::Start(
        ProbePath(), L"write \"" + folder.Path() + L"\" shown " + server.Address(L"/report"));
    const HWND dialog = test::WaitForTopLevelWindow(probe.Id(), 30000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(test::WindowText(dialog), L"Illegal Operation");
    EXPECT_NE(
        ControlText(dialog, IDC_EXCEPTION_INTRO).find(L"Please report this problem to Vantrel by clicking"),
        std::wstring::npos);
    EXPECT_EQ(ControlText(dialog, IDC_EXCEPTION_TEXT).rfind(L"Exception: Illegal memory access.\r\n", 0), 0u);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_INFORM_US)));
    // The log is written before the dialog is shown.
    EXPECT_NE(test::ReadTestFile(folder.Path() + L"\\uninstall\\Install.log").find("INSTALLER CRASHED!"),
              std::string::npos);
    // "Copy Report" puts the text on the clipboard and the dialog stays.
    ASSERT_TRUE(test::PressButton(dialog, L"Copy Report"));
    EXPECT_TRUE(IsWindow(dialog));
    std::wstring copied;
    for (int attempt = 0; attempt < 50 && copied.empty(); ++attempt) {
        copied = test::ClipboardText().value_or(L"");
        if (copied.empty())
            Sleep(100);
    }
    EXPECT_EQ(copied.rfind(L"Exception: Illegal memory access.\r\n", 0), 0u);
    ASSERT_TRUE(test::PressButton(dialog, L"Exit"));
    EXPECT_EQ(probe.Wait(30000), std::optional<DWORD>(1));
    EXPECT_TRUE(server.Requests().empty());
}

TEST(CrashReport, InformUsPostsTheReportWithTheAdditions) {
    test::TempFolder folder(L"crash-inform");
    test::LoopbackServer server(true);
    test::ChildProcess probe = test::ChildProcess::Start(
        ProbePath(), L"write \"" + folder.Path() + L"\" shown " + server.Address(L"/report"));
    const HWND dialog = test::WaitForTopLevelWindow(probe.Id(), 30000);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, IDC_EXCEPTION_EMAIL), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"me@example.test"));
    SendMessageW(GetDlgItem(dialog, IDC_EXCEPTION_COMMENTS), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"it broke"));
    ASSERT_TRUE(test::PressButton(dialog, L"Inform Us"));
    EXPECT_EQ(probe.Wait(30000), std::optional<DWORD>(1));
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ExpectInOrder(requests[0],
                  {"POST /report HTTP/1.0\r\n", "from=crash%40vantrel.test&body=Exception%3A%20Illegal",
                   "%0D%0AEmail%3A%20me%40example.test%0D%0A%0D%0AComments%3A%0D%0Ait%20broke&subject=",
                   "&headers=X-Orvanta-Internal%3A%202%0D%0AX-Exception-Email%3A%20me%40example.test"});
}

TEST(CrashReport, WithoutAReportAddressInformUsIsDisabled) {
    test::TempFolder folder(L"crash-no-address");
    test::ChildProcess probe =
        test::ChildProcess::Start(ProbePath(), L"write \"" + folder.Path() + L"\" shown");
    const HWND dialog = test::WaitForTopLevelWindow(probe.Id(), 30000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_INFORM_US)));
    // Closing from the system menu counts as Exit.
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(probe.Wait(30000), std::optional<DWORD>(1));
}

EXCEPTION_POINTERS Pointers(EXCEPTION_RECORD& record, CONTEXT& context, DWORD code) {
    record = {};
    record.ExceptionCode = code;
    context = {};
    return {&record, &context};
}

TEST(CrashFilter, PassesOnBreakpointsSingleStepsAndLanguageExceptions) {
    for (const std::uint32_t code : {0x80000003u, 0x80000004u, 0xC0000025u, 0xE06D7363u})
        EXPECT_TRUE(PassesOnException(code)) << std::hex << code;
    for (const std::uint32_t code : {0xC0000005u, 0xC00000FDu, kFatalErrorException, 0xC0000094u})
        EXPECT_FALSE(PassesOnException(code)) << std::hex << code;
    EXCEPTION_RECORD record;
    CONTEXT context;
    EXCEPTION_POINTERS breakpoint = Pointers(record, context, 0x80000003);
    EXPECT_EQ(CrashFilter(&breakpoint), EXCEPTION_CONTINUE_SEARCH);
}

TEST(CrashFilter, AWorkerThreadsCrashEndsItsWorkWithoutAReport) {
    EXCEPTION_RECORD record;
    CONTEXT context;
    EXCEPTION_POINTERS crash = Pointers(record, context, 0xC0000005);
    // No reporter in this process: an ordinary thread's crash is passed on.
    EXPECT_EQ(CrashFilter(&crash), EXCEPTION_CONTINUE_SEARCH);
    RegisterWorkerThread(GetCurrentThreadId());
    EXPECT_EQ(CrashFilter(&crash), EXCEPTION_EXECUTE_HANDLER);
    UnregisterWorkerThread(GetCurrentThreadId());
    EXPECT_EQ(CrashFilter(&crash), EXCEPTION_CONTINUE_SEARCH);
}

}  // namespace
}  // namespace vantrel
