// The helpers of the installation sequence that stand on their own: the default folder, the
// hand-over command to an earlier installation's uninstaller, command splitting and registry
// values named by one path.
#include "engine/installation_steps.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "support/test_names.h"
#include "support/test_registry.h"

namespace vantrel {
namespace {

constexpr const wchar_t* kProgramFiles = L"C:\\Program Files (x86)";

struct FolderCase {
    const char* name;
    const wchar_t* setting;
    const wchar_t* expected;
};

class DefaultFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(DefaultFolder, IsMadeAbsoluteInsideProgramFiles) {
    const FolderCase& c = GetParam();
    const auto expand = [](std::wstring& text) {
        const std::wstring token = L"%Apps%";
        if (const std::size_t at = text.find(token); at != std::wstring::npos)
            text.replace(at, token.size(), L"D:\\Apps");
    };
    EXPECT_EQ(DefaultInstallFolder(c.setting, L"Hello World", L"C:\\windows", kProgramFiles, expand),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    InstallationSteps, DefaultFolder,
    testing::Values(
        FolderCase{"EmptyIsTheProductName", L"", L"C:\\Program Files (x86)\\Hello World"},
        FolderCase{"Relative", L"Example\\Hello", L"C:\\Program Files (x86)\\Example\\Hello"},
        FolderCase{"RootRelativeStaysInProgramFiles", L"\\Hello", L"C:\\Program Files (x86)\\Hello"},
        FolderCase{"Absolute", L"E:\\Tools\\Hello", L"E:\\Tools\\Hello"},
        FolderCase{"Network", L"\\\\server\\share\\Hello", L"\\\\server\\share\\Hello"},
        FolderCase{"WindowsFolder", L"<os>\\Hello", L"C:\\windows\\Hello"},
        FolderCase{"Variables", L"%Apps%\\Hello", L"D:\\Apps\\Hello"},
        FolderCase{"Master", L"<master>", L"<master>"},
        FolderCase{"RegistryForm", L"HKLM\\Software\\Example\\Folder", L"HKLM\\Software\\Example\\Folder"}),
    test::CaseName);

TEST(InstallationSteps, MessagesNameTheProductAndTheWindows) {
    EXPECT_EQ(WithProductMarkers(L"<product> (<description>) needs <os>; <product> again", L"Hello",
                                 L"Hello World", L"Windows 7"),
              L"Hello (Hello World) needs Windows 7; Hello again");
}

TEST(InstallationSteps, HandOverCommandCarriesTheOwnCommandLineInBackquotes) {
    EXPECT_EQ(HandOverCommand(L"\"C:\\Old\\uninstall.exe\" /u:\"Hello\"",
                              L"\"Z:\\dl\\setup.exe\" /a /d:\"C:\\A B\""),
              L"\"C:\\Old\\uninstall.exe\" /u:\"Hello\" /r:\"`Z:\\dl\\setup.exe` /a /d:`C:\\A B`\"");
}

struct SplitCase {
    const char* name;
    const wchar_t* command;
    const wchar_t* program;
    const wchar_t* arguments;
};

class CommandSplitting : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandSplitting, SeparatesProgramAndArguments) {
    const SplitCase& c = GetParam();
    std::wstring program = L"old";
    std::wstring arguments = L"old";
    SplitCommand(c.command, program, arguments);
    EXPECT_EQ(program, c.program);
    EXPECT_EQ(arguments, c.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    InstallationSteps, CommandSplitting,
    testing::Values(SplitCase{"Quoted", L"\"C:\\A B\\app.exe\" -x \"y z\"", L"C:\\A B\\app.exe",
                              L"-x \"y z\""},
                    SplitCase{"Plain", L"  app.exe   -x", L"app.exe", L"-x"},
                    SplitCase{"ProgramOnly", L"\"C:\\A B\\app.exe\"", L"C:\\A B\\app.exe", L""},
                    SplitCase{"UnclosedQuote", L"\"C:\\A B\\app.exe", L"C:\\A B\\app.exe", L""},
                    SplitCase{"Blank", L" \t ", L"", L""}),
    test::CaseName);

TEST(InstallationSteps, RegistryValueIsFoundByItsPathInEveryForm) {
    const wchar_t* key = L"Software\\Vantrel Steps Test";
    const std::wstring folder = L"C:\\Hello";
    ASSERT_TRUE(test::SetRegistryText(HKEY_CURRENT_USER, key, L"Folder", folder));
    EXPECT_EQ(ReadRegistryPathValue(L"HKCU\\Software\\Vantrel Steps Test\\Folder"), folder);
    // The registry-entry syntax, with the root between backslashes, and the long root name.
    EXPECT_EQ(ReadRegistryPathValue(L"\\HKCU\\Software\\Vantrel Steps Test\\Folder"), folder);
    EXPECT_EQ(ReadRegistryPathValue(L"HKEY_CURRENT_USER\\Software\\Vantrel Steps Test\\Folder"), folder);
    EXPECT_EQ(ReadRegistryPathValue(L"HKCU\\Software\\Vantrel Steps Test\\Missing"), L"");
    EXPECT_EQ(ReadRegistryPathValue(L"HKXX\\Software\\Vantrel Steps Test\\Folder"), L"");
    EXPECT_EQ(ReadRegistryPathValue(L"HKCU\\Folder"), L"");
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace vantrel
