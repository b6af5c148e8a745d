#include "format/path_join.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct JoinCase {
    const char* name;
    const wchar_t* first;
    const wchar_t* second;
    const wchar_t* expected;
};

class PathJoinTable : public testing::TestWithParam<JoinCase> {};

TEST_P(PathJoinTable, Joins) {
    EXPECT_EQ(PathJoin(GetParam().first, GetParam().second), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PathJoinTable,
    testing::Values(JoinCase{"EmptyFirst", L"", L"b", L"b"}, JoinCase{"EmptySecond", L"C:\\a", L"", L"C:\\a"},
                    JoinCase{"Plain", L"C:\\a", L"b", L"C:\\a\\b"},
                    JoinCase{"FirstEndsInBackslash", L"C:\\a\\", L"b", L"C:\\a\\b"},
                    JoinCase{"SecondBeginsWithBackslash", L"C:\\a\\", L"\\b", L"C:\\a\\b"},
                    JoinCase{"OnlySecondHasBackslash", L"C:\\a", L"\\b", L"C:\\a\\b"},
                    JoinCase{"DriveColon", L"C:", L"b", L"C:b"}),
    test::CaseName);

TEST(PathParts, TrailingBackslashAndLastComponent) {
    EXPECT_EQ(WithoutTrailingBackslash(L"D:\\Data\\"), L"D:\\Data");
    EXPECT_EQ(WithoutTrailingBackslash(L"D:\\Data"), L"D:\\Data");
    EXPECT_EQ(WithoutLastComponent(L"c:\\Inetpub\\wwwroot"), L"c:\\Inetpub");
    EXPECT_EQ(WithoutLastComponent(L"c:\\Inetpub\\wwwroot\\"), L"c:\\Inetpub");
    EXPECT_EQ(WithoutLastComponent(L"name"), L"");
}

}  // namespace
}  // namespace vantrel
