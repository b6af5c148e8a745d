#include "run/command_line.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

CommandLineServices FakeServices() {
    CommandLineServices services;
    services.toSystemCodePage = [](std::wstring_view text) {
        std::string out;
        for (wchar_t c : text)
            out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return out;
    };
    services.fullPath = [](const std::wstring& path) { return L"FULL:" + path; };
    return services;
}

CommandLineResult Parse(const std::wstring& arguments) {
    return ParseCommandLine(L"\"C:\\Some Folder\\setup.exe\" " + arguments, FakeServices());
}

TEST(CommandLineTokenizer, QuotedStretchesStayInTheTokenWithTheirQuotes) {
    EXPECT_EQ(TokenizeCommandLine(L"prog.exe /d:\"C:\\a b\\\"  /a\t-silent"),
              (std::vector<std::wstring>{L"/d:\"C:\\a b\\\"", L"/a", L"-silent"}));
    EXPECT_EQ(TokenizeCommandLine(L"\"C:\\x y\\prog.exe\""), std::vector<std::wstring>{});
    EXPECT_EQ(TokenizeCommandLine(L"prog.exe   "), std::vector<std::wstring>{});
}

struct ErrorCase {
    const char* name;
    const wchar_t* arguments;
    const wchar_t* message;
};

class CommandLineErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(CommandLineErrors, ReportTheTokenAfterTheFixedText) {
    const CommandLineResult result = Parse(GetParam().arguments);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineErrors,
    testing::Values(ErrorCase{"NoSlash", L"a", L"Unexpected command line parameter:\r\na"},
                    ErrorCase{"QuotedWithoutSlash", L"/a \"quoted thing\"",
                              L"Unexpected command line parameter:\r\n\"quoted thing\""},
                    ErrorCase{"UnknownLetter", L"/x", L"Illegal command line atom:\r\n/x"},
                    ErrorCase{"DoubledA", L"/aa", L"Illegal command line atom:\r\n/aa"},
                    ErrorCase{"SilentWithSuffix", L"/silently", L"Illegal command line atom:\r\n/silently"},
                    ErrorCase{"LaunchWithoutQuote", L"/r:program",
                              L"Illegal command line atom:\r\n/r:program"},
                    ErrorCase{"FourthBatch", L"/b4:\"x\"", L"Illegal command line atom:\r\n/b4:\"x\""},
                    ErrorCase{"BareSlash", L"/", L"Illegal command line atom:\r\n/"}),
    test::CaseName);

TEST(CommandLine, AutomaticModeInEitherCaseAndWithADash) {
    for (const wchar_t* token : {L"/A", L"-a", L"/a"}) {
        const CommandLineResult result = Parse(token);
        EXPECT_FALSE(result.error) << token;
        EXPECT_TRUE(result.options.automatic) << token;
        EXPECT_FALSE(result.options.silent) << token;
    }
}

TEST(CommandLine, SilentSwitchesAutomaticOnToo) {
    const CommandLineResult result = Parse(L"/SILENT");
    EXPECT_TRUE(result.options.silent);
    EXPECT_TRUE(result.options.automatic);
}

TEST(CommandLine, MinIsAcceptedInAnyCase) {
    EXPECT_TRUE(Parse(L"/min").options.minimizedStart);
    EXPECT_TRUE(Parse(L"-MIN").options.minimizedStart);
}

TEST(CommandLine, InstallFolderLosesQuotesAndOneTrailingBackslash) {
    const CommandLineResult result = Parse(L"/d:\"C:\\x y\\\"");
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.options.installFolderOverride, L"C:\\x y");
    EXPECT_EQ(result.options.installFolderOverrideFull, L"FULL:C:\\x y");
}

TEST(CommandLine, ProductNameOverride) {
    EXPECT_EQ(Parse(L"/N:\"My Product\"").options.productNameOverride, L"My Product");
}

TEST(CommandLine, UninstallNameNeedsTheColon) {
    const CommandLineResult named = Parse(L"/u:\"Some Product\"");
    EXPECT_TRUE(named.options.uninstallRequested);
    EXPECT_EQ(named.options.uninstallProductName, L"Some Product");

    for (const wchar_t* token : {L"/u", L"/uName", L"/U:"}) {
        const CommandLineResult result = Parse(token);
        EXPECT_FALSE(result.error) << token;
        EXPECT_TRUE(result.options.uninstallRequested) << token;
        EXPECT_TRUE(result.options.uninstallProductName.empty()) << token;
    }
}

TEST(CommandLine, LaunchCommandTurnsBackquotesIntoQuotes) {
    const CommandLineResult result = Parse(L"/r:\"notepad.exe `C:\\read me.txt`\"");
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.options.launchOnExit, L"notepad.exe \"C:\\read me.txt\"");
}

TEST(CommandLine, BatchAdditionsSplitOnDoubleTildeAndAppend) {
    const CommandLineResult result =
        Parse(L"/b1:\"echo one~~copy `a b` c\" /B3:\"echo three\" /b1:\"~~echo again\"");
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.options.batchAdditions[0], "echo one\r\ncopy \"a b\" c\r\necho again");
    EXPECT_EQ(result.options.batchAdditions[1], "");
    EXPECT_EQ(result.options.batchAdditions[2], "echo three");
}

TEST(CommandLine, BatchAdditionsAreConvertedToTheSystemCodePage) {
    const CommandLineResult result = Parse(L"/b2:\"echo \u00e9\u4e2d\"");
    EXPECT_EQ(result.options.batchAdditions[1], "echo ??");
}

TEST(CommandLine, OnlyNineteenTokensAreExamined) {
    std::wstring arguments;
    for (int i = 0; i < 19; ++i)
        arguments += L"/a ";
    EXPECT_FALSE(Parse(arguments + L"not-an-option").error);
    EXPECT_TRUE(Parse(L"/a not-an-option").error);
}

TEST(CommandLine, ErrorStopsAtTheFirstBadToken) {
    const CommandLineResult result = Parse(L"/a bad /silent");
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.options.automatic);
    EXPECT_FALSE(result.options.silent);
}

TEST(UsageText, NamesTheLeadingMessageAndTheProgram) {
    const std::wstring usage = UsageText(L"Product name required", L"setup.exe");
    EXPECT_EQ(usage.rfind(L"Product name required\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"]", 0),
              0u);
    EXPECT_NE(usage.find(L"/silent\tDisplay no user interface."), std::wstring::npos);
    EXPECT_EQ(usage.find(L"MIN"), std::wstring::npos);
}

}  // namespace
}  // namespace vantrel
