#include "format/crash_text.h"

#include <gtest/gtest.h>

#include <string>

#include "format/engine_version.h"

namespace vantrel {
namespace {

CrashFacts AccessViolation() {
    CrashFacts f;
    f.code = 0xC0000005;
    f.address = 0x00401A2B;
    f.addressModule = "setup.exe";
    f.accessViolation = true;
    f.writeAccess = true;
    f.accessedAddress = 0x10;
    f.productLine = "Vantrel Setup 41.1.1 Standard";
    f.threadId = 12;
    f.mainThreadId = 12;
    f.times = "1.5 / 0.1 / 0.2";
    f.os = "Windows 7";
    f.browser = "11.0";
    f.language = "English";
    f.locale = 0x409;
    f.codePage = 1252;
    f.previousOutOfMemory = true;
    f.commandLine = "setup.exe /silent";
    f.registers.eax = 1;
    f.registers.ss = 0x2B;
    f.modules = {{0x00400000, 0x0047FFFF, "C:\\setup.exe"}};
    f.frames = {{0x0019FF00, 0x00401A2B, "setup.exe", "Crash"}, {0x0019FF40, 0x77001000, "kernel32.dll", ""}};
    return f;
}

TEST(CrashText, AnExceptionHasEverySectionInItsOrder) {
    const std::string text = BuildCrashText(AccessViolation());
    EXPECT_EQ(
        text,
        "Exception: Illegal memory access.\r\n"
        "\r\nProduct: Vantrel Setup 41.1.1 Standard\r\n\r\n"
        "Exception code: C0000005\r\nAddress: 00401A2B\r\n"
        "Module: setup.exe\r\n"
        "Read/write: write\r\nMemory address: 00000010\r\n"
        "Thread ID: 12  Main Thread: 12\r\n"
        "Process/kernel/user time: 1.5 / 0.1 / 0.2\r\n"
        "OS: Windows 7\r\nIE: 11.0\r\nLanguage: English\r\nLocale: 0x00000409  Codepage: 1252\r\n"
        "A previous out-of-memory condition occurred.\r\n"
        "Command line: setup.exe /silent\r\n"
        "\r\nCPU Registers:\r\nFlags: 00000000\r\n  EAX: 00000001\r\n  EBX: 00000000\r\n  ECX: 00000000"
        "\r\n  EDX: 00000000\r\n  EDI: 00000000\r\n  ESI: 00000000\r\n  EIP: 00000000\r\n  EBP: 00000000"
        "\r\n  ESP: 00000000\r\n   CS: 00000000\r\n   DS: 00000000\r\n   ES: 00000000\r\n   FS: 00000000"
        "\r\n   GS: 00000000\r\n   SS: 0000002B"
        "\r\n\r\nModules:\r\n00400000 0047FFFF C:\\setup.exe\r\n"
        "\r\nCall Stack:\r\n0019FF00 00401A2B setup.exe Crash\r\n0019FF40 77001000 kernel32.dll\r\n");
}

TEST(CrashText, AFatalErrorHasNoExceptionPartsAndNoSecondOutOfMemoryLine) {
    CrashFacts f = AccessViolation();
    f.fatal = true;
    f.fatalMessage = "Out Of Memory.\r\nAdvice: x";
    f.office = "16.0 (Professional)";
    const std::string text = BuildCrashText(f);
    EXPECT_EQ(text.rfind("Fatal error: Out Of Memory.\r\nAdvice: x\r\n\r\nProduct: ", 0), 0u);
    EXPECT_EQ(text.find("Exception code"), std::string::npos);
    EXPECT_EQ(text.find("CPU Registers"), std::string::npos);
    EXPECT_EQ(text.find("previous out-of-memory"), std::string::npos);
    EXPECT_NE(text.find("IE: 11.0\r\nOffice: 16.0 (Professional)\r\nLanguage"), std::string::npos);
    f.fatalMessage = "Internal Fatal Error\r\nModule: a.cpp\r\nLine: 3";
    EXPECT_NE(BuildCrashText(f).find("A previous out-of-memory condition occurred.\r\n"), std::string::npos);
}

TEST(CrashText, CodesOutsideTheTableHaveNoName) {
    EXPECT_EQ(ExceptionCodeText(0xC00000FD), "Stack overflow.");
    EXPECT_EQ(ExceptionCodeText(0x8007000E), "Out of memory.");
    EXPECT_EQ(ExceptionCodeText(0x12345678), "");
    CrashFacts f;
    f.code = 0x12345678;
    EXPECT_EQ(BuildCrashText(f).rfind("Exception: \r\n", 0), 0u);
}

TEST(OutOfMemoryReport, ShowsEightyStackWordsInTenLinesOfEight) {
    std::uint32_t words[80];
    for (std::uint32_t i = 0; i < 80; ++i)
        words[i] = i;
    const std::string text = OutOfMemoryReport(kDefaultOutOfMemoryAdvice, 300, words);
    const std::string head =
        "Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.\r\nRequested size = 300 (0x0000012C)"
        "\r\n\r\nStack contents:";
    ASSERT_EQ(text.rfind(head, 0), 0u);
    const std::string words0 = "\r\n00000000 00000001 00000002 00000003 00000004 00000005 00000006 00000007";
    EXPECT_EQ(text.substr(head.size(), words0.size()), words0);
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n0000", head.size()); at != std::string::npos;
         at = text.find("\r\n0000", at + 1))
        ++lines;
    EXPECT_EQ(lines, 10u);
    EXPECT_EQ(text.substr(text.size() - 9), " 0000004F");
}

TEST(CrashReportForm, WithoutEmailOrCommentsHoldsOnlyTheInternalHeaderAndTheText) {
    CrashReportInput input{"Exception: x\r\n", "setup.exe", "crash@vantrel.test", "", ""};
    const std::string subject =
        std::string("Exception%20-%20Installer%20") + kEngineVersion + "%3A%20setup.exe";
    EXPECT_EQ(CrashReportForm(input), "from=crash%40vantrel.test&body=Exception%3A%20x%0D%0A&subject=" +
                                          subject + "&headers=X-Orvanta-Internal%3A%202%0D%0A");
    input.email = "a@b.test";
    input.comments = "clicked";
    const std::string form = CrashReportForm(input);
    EXPECT_NE(
        form.find(
            "&body=Exception%3A%20x%0D%0A%0D%0AEmail%3A%20a%40b.test%0D%0A%0D%0AComments%3A%0D%0Aclicked&"),
        std::string::npos);
    EXPECT_NE(
        form.find(
            "&headers=X-Orvanta-Internal%3A%202%0D%0AX-Exception-Email%3A%20a%40b.test%0D%0AReply-To%3A%20"
            "a%40b.test%0D%0A"),
        std::string::npos);
}

}  // namespace
}  // namespace vantrel
