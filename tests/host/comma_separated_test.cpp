#include "format/comma_separated.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using Fields = std::vector<std::string>;

struct QuotingCase {
    const char* name;
    const char* field;
    const char* written;
};

class CommaQuoting : public testing::TestWithParam<QuotingCase> {};

TEST_P(CommaQuoting, WritesAndReadsBack) {
    std::string out;
    AppendCommaField(out, GetParam().field);
    EXPECT_EQ(out, GetParam().written);
    const std::string line = out + ",x";
    EXPECT_EQ(SplitCommaRecord(line), (Fields{GetParam().field, "x"}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommaQuoting,
    testing::Values(QuotingCase{"Plain", "abc", "abc"}, QuotingCase{"Empty", "", ""},
                    QuotingCase{"Comma", "a,b", "\"a,b\""},
                    QuotingCase{"Quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
                    QuotingCase{"Tab", "a\tb", "\"a\tb\""}, QuotingCase{"Semicolon", "a;b", "\"a;b\""},
                    QuotingCase{"Bar", "|\xC3\xA9", "\"|\xC3\xA9\""},
                    QuotingCase{"LeadingSpace", " a", "\" a\""}, QuotingCase{"TrailingSpace", "a ", "\"a \""},
                    QuotingCase{"Apostrophe", "'a", "\"'a\""}, QuotingCase{"Hash", "#a", "\"#a\""},
                    QuotingCase{"InnerSpace", "a b", "a b"}, QuotingCase{"InnerHash", "a#'", "a#'"},
                    QuotingCase{"OnlyQuotes", "\"\"", "\"\"\"\"\"\""}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(CommaRecord, LineBreaksAreQuotedOnWriting) {
    EXPECT_EQ(JoinCommaRecord({"a\r\nb", "c"}), "\"a\r\nb\",c");
    EXPECT_EQ(JoinCommaRecord({"", "", ""}), ",,");
}

TEST(CommaRecord, SplitsTrimsAndUnquotes) {
    EXPECT_EQ(SplitCommaRecord(""), Fields{""});
    EXPECT_EQ(SplitCommaRecord("a,,b"), (Fields{"a", "", "b"}));
    EXPECT_EQ(SplitCommaRecord("  a , \" b \" ,c\t"), (Fields{"a", " b ", "c"}));
    EXPECT_EQ(SplitCommaRecord("\"a,\"\"b\"\"\",c"), (Fields{"a,\"b\"", "c"}));
    // A quote in the middle of a field protects what follows but stays in the field.
    EXPECT_EQ(SplitCommaRecord("ab\"c,d\",e"), (Fields{"ab\"c,d\"", "e"}));
    // An unterminated quote runs to the end of the line.
    EXPECT_EQ(SplitCommaRecord("\"a,b"), (Fields{"\"a,b"}));
}

TEST(CommaRecords, Utf16TextWithQuotedLineBreaksAndBlankLines) {
    const std::wstring text =
        L"\\HKLM\\Software\\A\r\n\r\n\n"
        L"\\HKCU\\Software\\B, \"Name, with comma\" ,1,\"line one\r\nline \"\"two\"\"\",3\r"
        L"  \\HKCU\\Software\\C  \n";
    const auto records = SplitCommaRecords(std::wstring_view(text));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], std::vector<std::wstring>{L"\\HKLM\\Software\\A"});
    EXPECT_EQ(records[1], (std::vector<std::wstring>{L"\\HKCU\\Software\\B", L"Name, with comma", L"1",
                                                     L"line one\r\nline \"two\"", L"3"}));
    EXPECT_EQ(records[2], std::vector<std::wstring>{L"\\HKCU\\Software\\C"});
}

TEST(CommaRecords, LastRecordWithoutLineEndAndEmptyText) {
    EXPECT_TRUE(SplitCommaRecords(std::wstring_view(L"")).empty());
    EXPECT_TRUE(SplitCommaRecords(std::wstring_view(L"\r\n\n\r")).empty());
    const auto records = SplitCommaRecords(std::string_view("a,b\nc"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], Fields{"c"});
}

}  // namespace
}  // namespace vantrel
