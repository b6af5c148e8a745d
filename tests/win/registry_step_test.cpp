#include "actions/registry_step.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "pending_list.h"
#include "registry_test_keys.h"
#include "support/test_files.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

// "$" in a case's text stands for the case's own key.
std::wstring WithKey(std::wstring text, const std::wstring& key) {
    for (std::size_t at = text.find(L'$'); at != std::wstring::npos; at = text.find(L'$', at + key.size()))
        text.replace(at, 1, key);
    return text;
}

void ExpandForTest(std::wstring& text) {
    const std::wstring token = L"%InstallDir%";
    for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token))
        text.replace(at, token.size(), L"C:\\Program Files\\Vantrel Test");
}

struct ExpectedValue {
    const wchar_t* name;
    DWORD type;
    std::vector<std::uint8_t> bytes;
};

struct InstructionCase {
    const char* name;
    const wchar_t* text;
    std::vector<ExpectedValue> before;  // written first
    std::vector<ExpectedValue> after;   // read back afterwards
    std::vector<const wchar_t*> absent;
    const wchar_t* failures;
};

std::vector<std::uint8_t> Text(const std::wstring& text) {
    return test::Utf16Bytes(text + L'\0');
}

const InstructionCase kInstructionCases[] = {
    {"StringIsExpanded",
     L"$,S,1,%InstallDir%\\app.exe,3",
     {},
     {{L"S", REG_SZ, Text(L"C:\\Program Files\\Vantrel Test\\app.exe")}},
     {},
     L""},
    {"ExpandStringKeepsTheText",
     L"$,E,2,%InstallDir%;%PATH%,1",
     {},
     {{L"E", REG_EXPAND_SZ, Text(L"%InstallDir%;%PATH%")}},
     {},
     L""},
    {"BinaryPairsInEitherCase", L"$,B,3,0A 0b ff,1", {}, {{L"B", REG_BINARY, {0x0A, 0x0B, 0xFF}}}, {}, L""},
    {"BinaryOddDigitsAreWrittenAsText",
     L"$,B,3,0A 0,1",
     {},
     {{L"B", REG_BINARY, {'0', 0, 'A', 0, '0', 0}}},
     {},
     L""},
    {"DwordMinusOne", L"$,D,4,-1,1", {}, {{L"D", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}}}, {}, L""},
    {"DwordWrittenInHexReadsZero", L"$,D,4,0x10,1", {}, {{L"D", REG_DWORD, {0, 0, 0, 0}}}, {}, L""},
    {"Qword", L"$,Q,11,4294967298,1", {}, {{L"Q", REG_QWORD, {2, 0, 0, 0, 1, 0, 0, 0}}}, {}, L""},
    {"OtherTypeWithoutData", L"$,N,7,abc,1", {}, {{L"N", 7, {}}}, {}, L""},
    {"DefaultValue", L"$,,1,x,1", {}, {{L"", REG_SZ, Text(L"x")}}, {}, L""},
    {"LowerCaseRootIsTheSameKey",
     L"\\hkcu\\Software\\VantrelTests\\Instruction\\LowerCaseRootIsTheSameKey,V,1,x,1",
     {},
     {{L"V", REG_SZ, Text(L"x")}},
     {},
     L""},
    {"LowerCaseAllUsersIsABadPath",
     L"\\hkau\\Software\\VantrelTests\\X,V,1,x,1",
     {},
     {},
     {},
     L"Failed to create registry key: \\hkau\\Software\\VantrelTests\\X\r\n"},
    {"UnknownRootFails", L"\\XYZ\\A,V,1,x,3", {}, {}, {}, L"Failed to create registry key: \\XYZ\\A\r\n"},
    {"UnknownRootDeletesNothingQuietly", L"\\XYZ\\A,V,1,x,5", {}, {}, {}, L""},
    {"WriteIfAbsentKeepsTheExistingValue",
     L"$,Old,1,new,6\r\n$,New,1,new,6",
     {{L"Old", REG_SZ, Text(L"old")}},
     {{L"Old", REG_SZ, Text(L"old")}, {L"New", REG_SZ, Text(L"new")}},
     {},
     L""},
    {"WriteReplacesTheExistingValue",
     L"$,Old,4,7,1",
     {{L"Old", REG_SZ, Text(L"old")}},
     {{L"Old", REG_DWORD, {7, 0, 0, 0}}},
     {},
     L""},
    {"DeleteAtUninstallWritesNothing", L"$,U,1,x,2", {}, {}, {L"U"}, L""},
    {"DeleteAtInstallAndAlwaysDelete",
     L"$,Four,1,x,4\r\n$,Five,1,x,5",
     {{L"Four", REG_SZ, Text(L"4")}, {L"Five", REG_SZ, Text(L"5")}},
     {},
     {L"Four", L"Five"},
     L""},
    {"UnknownModeDoesNothing", L"$,M,1,x,9\r\n$,Z,1,x,0\r\n$,T,1,x,mode", {}, {}, {L"M", L"Z", L"T"}, L""},
    {"QuotedFieldsKeepCommasAndQuotes",
     L"$,\"na,me\",1,\"say \"\"hi\"\", then\",1",
     {},
     {{L"na,me", REG_SZ, Text(L"say \"hi\", then")}},
     {},
     L""},
    {"QuotedLineBreakStaysInTheData",
     L"$,L,1,\"one\r\ntwo\",1",
     {},
     {{L"L", REG_SZ, Text(L"one\r\ntwo")}},
     {},
     L""},
    {"IllegalShapesAreReportedBlankLinesAreNot",
     L"\r\n   \r\n$,a\r\n$,a,1\r\n\r\n$,a,1,x\r\n$,a,1,x,1,y",
     {},
     {},
     {L"a"},
     L"Illegal registry entry: $,a\r\nIllegal registry entry: $,a,1\r\nIllegal registry entry: $,a,1,x\r\n"
     L"Illegal registry entry: $,a,1,x,1,y\r\n"},
};

class RegistryInstructionTable : public ::testing::TestWithParam<InstructionCase> {};

TEST_P(RegistryInstructionTable, ReadsBackFromTheRegistry) {
    const InstructionCase& c = GetParam();
    test::ScratchKey scratch(L"Instruction\\" + std::wstring(c.name, c.name + strlen(c.name)));
    for (const ExpectedValue& value : c.before) {
        RegistryKey key;
        ASSERT_NE(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kFailed);
        ASSERT_TRUE(
            key.SetValue(value.name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size())));
    }
    FailureList failures;
    ApplyRegistryInstructions(WithKey(c.text, scratch.InstructionPath()), RegistryStepAccess(false),
                              ExpandForTest, failures);
    EXPECT_EQ(failures.Text(), WithKey(c.failures, scratch.InstructionPath()));
    for (const ExpectedValue& value : c.after) {
        const test::StoredValue stored = test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), value.name);
        EXPECT_TRUE(stored.present) << "value " << testing::PrintToString(std::wstring(value.name));
        EXPECT_EQ(stored.type, value.type);
        EXPECT_EQ(stored.bytes, value.bytes);
    }
    for (const wchar_t* name : c.absent)
        EXPECT_FALSE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), name).present);
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistryInstructionTable, ::testing::ValuesIn(kInstructionCases),
                         test::CaseName);

TEST(RegistryInstructions, KeyRecordsCreateKeysAndARootAloneIsItsRoot) {
    test::ScratchKey scratch(L"InstructionKeys");
    FailureList failures;
    ApplyRegistryInstructions(
        WithKey(L"  $\\One\\Two  \r\n\"$\\Quoted\"\r\n\\HKCU,VantrelRootAloneValue,4,5,3",
                scratch.InstructionPath()),
        RegistryStepAccess(false), ExpandForTest, failures);
    EXPECT_EQ(failures.Text(), L"");
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\One\\Two"));
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Quoted"));
    const test::StoredValue atRoot = test::ReadStoredValue(HKEY_CURRENT_USER, L"", L"VantrelRootAloneValue");
    RegDeleteValueW(HKEY_CURRENT_USER, L"VantrelRootAloneValue");
    EXPECT_TRUE(atRoot.present);
    EXPECT_EQ(atRoot.bytes, (std::vector<std::uint8_t>{5, 0, 0, 0}));
}

TEST(RegistryStep, PortableSkipLeavesKeysAndValuesAlone) {
    test::ScratchKey scratch(L"StepPortable");
    const std::wstring instructions = scratch.InstructionPath() + L",V,1,x,1\r\n";
    RegistryStepSettings settings;
    settings.productRegistryKey = L"VantrelTests\\StepPortable\\Product";
    settings.instructions = instructions;
    settings.skipKeysAndInstructions = true;
    InstallLog log;
    FailureList failures;
    RunRegistryStep(settings, ExpandForTest, log, failures);
    EXPECT_EQ(failures.Text(), L"");
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path()));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\VantrelTests\\StepPortable"));
}

TEST(RegistryStep, ProductKeyInEveryUserAndTheMachineThenTheInstructions) {
    test::ScratchKey scratch(L"StepProduct");
    const std::wstring instructions = scratch.InstructionPath() + L",V,1,x,1\r\n";
    RegistryStepSettings settings;
    settings.productRegistryKey = L"VantrelTests\\StepProduct\\Product";
    settings.instructions = instructions;
    InstallLog log;
    FailureList failures;
    RunRegistryStep(settings, ExpandForTest, log, failures);
    EXPECT_EQ(failures.Text(), L"");
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Product"));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, scratch.Path() + L"\\Product"));
    EXPECT_TRUE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"V").present);
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, scratch.Path(), 0, 0);
}

TEST(RegistryStep, EmptyProductKeyCreatesNothingUnderSoftware) {
    FailureList failures;
    CreateProductRegistryKey(L"", RegistryStepAccess(false), failures);
    EXPECT_EQ(failures.Text(), L"");
}

TEST(RegistryStep, MergeFileIsImportedByTheSystemEditorAndLeftForTheRestart) {
    test::ScratchKey scratch(L"StepMerge");
    const std::string merge = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                              std::string(scratch.Path().begin(), scratch.Path().end()) +
                              "]\r\n\"Merged\"=\"yes\"\r\n";
    const std::vector<std::uint8_t> bytes(merge.begin(), merge.end());
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    FailureList failures;
    const std::wstring path = ImportRegistryMergeFile(bytes, log, failures);
    EXPECT_EQ(failures.Text(), L"");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.size() - 4), L".reg");
    EXPECT_EQ(test::ReadTestFile(path), merge);
    EXPECT_TRUE(test::PendingListHolds(path));
    EXPECT_NE(test::ReadTestFile(log.BodyPath()).find("Merging registry file...OK\r\n"), std::string::npos);
    bool merged = false;
    for (int attempt = 0; attempt < 200 && !merged; ++attempt) {
        merged = test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Merged").present;
        if (!merged)
            Sleep(50);
    }
    EXPECT_TRUE(merged);
    test::ForgetPendingOperations({path});
    for (int attempt = 0; attempt < 100 && !DeleteFileW(path.c_str()); ++attempt)
        Sleep(50);  // the editor may still hold it
    log.CloseAndDelete();
}

TEST(RegistryStep, NoMergeTextNoFile) {
    InstallLog log;
    FailureList failures;
    EXPECT_EQ(ImportRegistryMergeFile({}, log, failures), L"");
    EXPECT_EQ(failures.Text(), L"");
}

}  // namespace
}  // namespace vantrel
