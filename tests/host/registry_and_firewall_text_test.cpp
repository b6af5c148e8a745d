#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/comma_separated.h"
#include "format/firewall_text.h"
#include "format/payload_error_codes.h"
#include "format/registry_instructions.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using Records = std::vector<std::vector<std::wstring>>;

struct CsvCase {
    const char* name;
    const wchar_t* text;
    Records records;
};

class CommaSeparated : public testing::TestWithParam<CsvCase> {};

TEST_P(CommaSeparated, ReadsTheRecords) {
    EXPECT_EQ(SplitCommaRecords(GetParam().text), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommaSeparated,
    testing::Values(CsvCase{"Empty", L"", {}}, CsvCase{"OneField", L"\\HKLM\\A", {{L"\\HKLM\\A"}}},
                    CsvCase{"FieldsAreTrimmed", L"  a , b\t,c \r\n", {{L"a", L"b", L"c"}}},
                    CsvCase{"BlankLinesAreSkipped", L"a\r\n\r\n  \nb\n", {{L"a"}, {L"b"}}},
                    CsvCase{"QuotesKeepCommasAndBreaks", L"\"a,b\",\"c\r\nd\"", {{L"a,b", L"c\r\nd"}}},
                    CsvCase{"TwoQuotesStandForOne", L"\"say \"\"hi\"\"\",x", {{L"say \"hi\"", L"x"}}},
                    CsvCase{"QuotedSpacesStay", L"\" a \",\"\"", {{L" a ", L""}}},
                    CsvCase{"LastRecordWithoutBreak", L"a,b\r\nc,d", {{L"a", L"b"}, {L"c", L"d"}}}),
    test::CaseName);

TEST(CommaSeparated, WrittenFieldsReadBackUnchanged) {
    const std::vector<std::wstring> fields = {L"",    L"plain", L" lead", L"trail\t",
                                              L"a,b", L"q\"q",  L"x\r\ny"};
    std::wstring line;
    for (const std::wstring& field : fields)
        line += (line.empty() ? L"" : L",") + CommaSeparatedField(field);
    EXPECT_EQ(SplitCommaRecords(line), Records{fields});
}

// The text the builder writes for a key, a string value and a default value, by hand.
constexpr const wchar_t* kRegistryText =
    L"\\HKLM\\Software\\Vantrel\r\n"
    L"\\HKLM\\Software\\Vantrel,Path,1,%InstallDir%,3\r\n"
    L"\\HKCU\\Software\\Vantrel,\"\",4,-1,6\r\n";

TEST(RegistryInstructions, ReadsKeysAndValues) {
    const std::vector<RegistryInstruction> read = ReadRegistryInstructions(kRegistryText);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_TRUE(read[0].keyOnly);
    EXPECT_EQ(read[0].keyPath, L"\\HKLM\\Software\\Vantrel");
    EXPECT_FALSE(read[1].keyOnly);
    EXPECT_EQ(read[1].valueName, L"Path");
    EXPECT_EQ(read[1].type, registry_type::kString);
    EXPECT_EQ(read[1].data, L"%InstallDir%");
    EXPECT_EQ(read[1].mode, registry_mode::kWriteDelete);
    EXPECT_EQ(read[2].valueName, L"");
    EXPECT_EQ(read[2].type, registry_type::kDword);
    EXPECT_EQ(read[2].data, L"-1");
    EXPECT_EQ(read[2].mode, registry_mode::kWriteIfAbsent);
    EXPECT_EQ(WriteRegistryInstructions(read), kRegistryText);
}

TEST(RegistryInstructions, OtherShapesAndNonNumbersAreHandledAsTheyRead) {
    const std::vector<RegistryInstruction> read =
        ReadRegistryInstructions(L"a,b\r\n   \r\nk,v,x,d,+2\r\nk,v,1,d,5,extra\r\n");
    ASSERT_EQ(read.size(), 1u);  // two- and six-field records do nothing
    EXPECT_EQ(read[0].type, 0u);
    EXPECT_EQ(read[0].mode, registry_mode::kDeleteAtUninstall);
}

TEST(RegistryInstructions, RecordsKeepTheirTextAndIllegalShapes) {
    const std::vector<RegistryRecord> read = ReadRegistryRecords(
        L"\r\n  \"\\HKLM\\A\"  \r\n\r\n\\HKCU\\B,\"na,me\",1,\"say \"\"hi\"\"\r\nthere\",3\n"
        L"\\HKCU\\C,x\r\n\t\r\n\\HKCU\\D,v,4,1,2,extra");
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].shape, RegistryRecord::Shape::kKey);
    EXPECT_EQ(read[0].instruction.keyPath, L"\\HKLM\\A");
    EXPECT_EQ(read[1].shape, RegistryRecord::Shape::kValue);
    EXPECT_EQ(read[1].instruction.valueName, L"na,me");
    EXPECT_EQ(read[1].instruction.data, L"say \"hi\"\r\nthere");
    EXPECT_EQ(read[1].instruction.mode, registry_mode::kWriteDelete);
    EXPECT_EQ(read[2].shape, RegistryRecord::Shape::kIllegal);
    EXPECT_EQ(read[2].text, L"\\HKCU\\C,x");
    EXPECT_EQ(read[3].shape, RegistryRecord::Shape::kIllegal);
    EXPECT_EQ(read[3].text, L"\\HKCU\\D,v,4,1,2,extra");
}

struct ValueBytesCase {
    const char* name;
    std::uint32_t type;
    const wchar_t* data;
    std::vector<std::uint8_t> bytes;
};

class RegistryValueBytesTest : public ::testing::TestWithParam<ValueBytesCase> {};

TEST_P(RegistryValueBytesTest, MatchTheLayout) {
    EXPECT_EQ(RegistryValueBytes(GetParam().type, GetParam().data), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryValueBytesTest,
    ::testing::Values(ValueBytesCase{"StringWithoutTerminator", 1, L"A\u00e9", {0x41, 0, 0xE9, 0}},
                      ValueBytesCase{"ExpandStringUnchanged", 2, L"%x%", {'%', 0, 'x', 0, '%', 0}},
                      ValueBytesCase{"BinaryPairsAnyCase", 3, L"0A 0b ff", {0x0A, 0x0B, 0xFF}},
                      ValueBytesCase{"BinaryOddDigitsWrittenAsText", 3, L"0A 0", {'0', 0, 'A', 0, '0', 0}},
                      ValueBytesCase{"BinaryNonHexWrittenAsText", 3, L"zz", {'z', 0, 'z', 0}},
                      ValueBytesCase{"BinaryEmpty", 3, L"", {}},
                      ValueBytesCase{"DwordMinusOne", 4, L"-1", {0xFF, 0xFF, 0xFF, 0xFF}},
                      ValueBytesCase{"DwordHexPrefixReadsZero", 4, L"0x10", {0, 0, 0, 0}},
                      ValueBytesCase{"DwordPlusSign", 4, L"+258", {2, 1, 0, 0}},
                      ValueBytesCase{"QwordDigits", 11, L"4294967296x", {0, 0, 0, 0, 1, 0, 0, 0}},
                      ValueBytesCase{"QwordSignIsNotADigit", 11, L"-5", {0, 0, 0, 0, 0, 0, 0, 0}},
                      ValueBytesCase{"OtherTypeHasNoData", 7, L"abc", {}}),
    test::CaseName);

TEST(FirewallText, ReadsPortsAndProgramsWithTheirBreaks) {
    const FirewallTextRead read = ReadFirewallText(L"8080;Web;1;0\r\n|C:\\\u00e4pp.exe;;0;1\n\r53;;3;0");
    ASSERT_EQ(read.errorCode, 0);
    const std::vector<FirewallInstruction> expected = {
        {L"8080", L"Web", firewall_protocol::kTcp, false},
        {L"|C:\\\u00e4pp.exe", L"", 0, true},
        {L"53", L"", firewall_protocol::kTcp | firewall_protocol::kUdp, false},
    };
    EXPECT_EQ(read.instructions, expected);
    EXPECT_EQ(WriteFirewallText(expected), L"8080;Web;1;0\r\n|C:\\\u00e4pp.exe;;0;1\r\n53;;3;0\r\n");
}

TEST(FirewallText, ALineWithoutFourFieldsFails) {
    EXPECT_EQ(ReadFirewallText(L"8080;Web;1;0\r\n8081;Web;1\r\n").errorCode, payload_error::kFirewallFields);
    EXPECT_EQ(ReadFirewallText(L"8080;Web;1;0;x").errorCode, payload_error::kFirewallFields);
    EXPECT_EQ(ReadFirewallText(L"").instructions.size(), 0u);
}

TEST(FirewallText, KeepsEachLineWithItsOwnBreakAndRejectsEmptyLinesInside) {
    const FirewallTextRead read = ReadFirewallText(L"8080;Web;1;0\r\n53;;3;1\n\r9;;1;0");
    ASSERT_EQ(read.errorCode, 0);
    const std::vector<std::wstring> lines = {L"8080;Web;1;0\r\n", L"53;;3;1\n\r", L"9;;1;0"};
    EXPECT_EQ(read.lineTexts, lines);
    EXPECT_EQ(ReadFirewallText(L"8080;Web;1;0\r\n\r\n").errorCode, payload_error::kFirewallFields);
    EXPECT_EQ(ReadFirewallText(L"\n8080;Web;1;0").errorCode, payload_error::kFirewallFields);
}

TEST(FirewallText, DigitsOnlyTargetsArePorts) {
    EXPECT_EQ(DecodedFirewallTarget(L"|C:\\a.exe"), L"C:\\a.exe");
    EXPECT_EQ(DecodedFirewallTarget(L"8080"), L"8080");
    EXPECT_EQ(FirewallTargetPort(L"8080"), std::optional<std::uint16_t>(8080));
    EXPECT_EQ(FirewallTargetPort(L"99999"), std::optional<std::uint16_t>(0));  // the firewall rejects it
    EXPECT_EQ(FirewallTargetPort(L"80a"), std::nullopt);
    EXPECT_EQ(FirewallTargetPort(L""), std::nullopt);
}

}  // namespace
}  // namespace vantrel
