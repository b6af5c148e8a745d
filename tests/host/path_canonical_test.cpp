#include "format/path_canonical.h"

#include <gtest/gtest.h>

#include "format/file_version.h"
#include "format/wildcard_match.h"
#include "format/wininit_rename.h"

namespace vantrel {
namespace {

struct CanonicalCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* expected;
};

class CanonicalPath : public testing::TestWithParam<CanonicalCase> {};

TEST_P(CanonicalPath, Normalises) {
    EXPECT_EQ(CanonicalPathText(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CanonicalPath,
    testing::Values(
        CanonicalCase{"Plain", L"C:\\Program Files\\App", L"C:\\Program Files\\App"},
        CanonicalCase{"TrailingSeparators", L"C:\\Program Files\\\\", L"C:\\Program Files"},
        CanonicalCase{"ParentAndDot", L"C:\\Program Files\\..\\Users\\x\\Desktop\\.",
                      L"C:\\Users\\x\\Desktop"},
        CanonicalCase{"ParentNeverAboveRoot", L"C:\\..\\..\\Windows", L"C:\\Windows"},
        CanonicalCase{"TrailingDotsAndSpaces", L"C:\\Windows. . \\System32 ", L"C:\\Windows\\System32"},
        CanonicalCase{"ParentWithSpace", L"C:\\a\\b\\.. \\c", L"C:\\a\\c"},
        CanonicalCase{"ForwardSlashes", L"C:/Users//x/", L"C:\\Users\\x"},
        CanonicalCase{"DriveRoot", L"C:\\", L"C:\\"}, CanonicalCase{"DriveRootDot", L"C:\\.", L"C:\\"},
        CanonicalCase{"LongPrefix", L"\\\\?\\C:\\Windows\\", L"C:\\Windows"},
        CanonicalCase{"NtPrefix", L"\\??\\C:\\Windows", L"C:\\Windows"},
        CanonicalCase{"DevicePrefix", L"\\\\.\\C:\\Windows", L"C:\\Windows"},
        CanonicalCase{"UncPrefix", L"\\\\?\\UNC\\server\\share\\dir\\", L"\\\\server\\share\\dir"},
        CanonicalCase{"Unc", L"\\\\server\\share\\a\\..\\..\\..", L"\\\\server\\share"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(PathTests, AbsoluteParentAndAncestor) {
    EXPECT_TRUE(IsAbsolutePathText(L"C:\\a"));
    EXPECT_TRUE(IsAbsolutePathText(L"\\\\srv\\share\\a"));
    EXPECT_FALSE(IsAbsolutePathText(L"C:a"));
    EXPECT_FALSE(IsAbsolutePathText(L"a\\b"));
    EXPECT_FALSE(IsAbsolutePathText(L"\\a"));
    EXPECT_TRUE(HasParentSegment(L"C:\\a\\..\\b"));
    EXPECT_TRUE(HasParentSegment(L"C:\\a\\.. \\b"));
    EXPECT_TRUE(HasParentSegment(L"..\\b"));
    EXPECT_TRUE(HasParentSegment(L"C:/a/.."));
    EXPECT_FALSE(HasParentSegment(L"C:\\a..b\\c."));
    EXPECT_FALSE(HasParentSegment(L"C:\\a\\.\\b"));
    EXPECT_TRUE(IsSameOrAncestorFolder(L"C:\\USERS", L"C:\\USERS\\X\\DESKTOP"));
    EXPECT_TRUE(IsSameOrAncestorFolder(L"C:\\USERS", L"C:\\USERS"));
    EXPECT_TRUE(IsSameOrAncestorFolder(L"C:\\", L"C:\\USERS"));
    EXPECT_FALSE(IsSameOrAncestorFolder(L"C:\\USER", L"C:\\USERS"));
    EXPECT_FALSE(IsSameOrAncestorFolder(L"C:\\USERS\\X", L"C:\\USERS"));
    EXPECT_FALSE(IsSameOrAncestorFolder(L"", L"C:\\USERS"));
}

// A result that would begin with a prefix form is read again: canonical text is its own
// canonical form.
TEST(CanonicalPath, NoResultBeginsWithAPrefixForm) {
    EXPECT_EQ(CanonicalPathText(L"\\\\\\?\\Usrv\\share\\a"), L"Usrv\\share\\a");
    EXPECT_EQ(CanonicalPathText(L"\\.\\??\\C:\\x"), L"C:\\x");
    for (const wchar_t* path : {L"\\\\\\?\\Usrv\\sre\\a..\\\u055c\\?\\Usrv\\sha \\c", L"\\.\\??\\C:\\x",
                                L"\\\\?\\UNC\\\\?\\x", L"C:\\a\\..\\..\\b"}) {
        const std::wstring once = CanonicalPathText(path);
        EXPECT_EQ(CanonicalPathText(once), once);
    }
}

TEST(Wildcards, MatchTable) {
    EXPECT_TRUE(WildcardMatch(L"*.log", L"a.log"));
    EXPECT_TRUE(WildcardMatch(L"*.log", L".log"));
    EXPECT_FALSE(WildcardMatch(L"*.log", L"a.log1"));
    EXPECT_TRUE(WildcardMatch(L"a?c", L"abc"));
    EXPECT_FALSE(WildcardMatch(L"a?c", L"ac"));
    EXPECT_TRUE(WildcardMatch(L"*", L""));
    EXPECT_FALSE(WildcardMatch(L"*.*", L"README"));
    EXPECT_TRUE(WildcardMatch("*.t?t", "a.txt"));
    EXPECT_FALSE(WildcardMatch("*.t?t", "a.tt"));
    EXPECT_TRUE(WildcardMatch(L"a*b*c", L"axxbyyc"));
    EXPECT_FALSE(WildcardMatch(L"a*b*c", L"axxbyy"));
    EXPECT_TRUE(WildcardMatch(L"file.txt", L"file.txt"));
    EXPECT_FALSE(WildcardMatch(L"file.txt", L"FILE.TXT"));
    EXPECT_TRUE(HasWildcard(L"a*"));
    EXPECT_FALSE(HasWildcard(L"a.b"));
    EXPECT_TRUE(HasWildcard("a?"));
}

// Names that hold a star themselves: window titles such as "*Untitled - Notepad".
TEST(Wildcards, AStarInTheNameIsMatchedByTheStarOfThePattern) {
    EXPECT_TRUE(WildcardMatch(L"*", L"*"));
    EXPECT_TRUE(WildcardMatch(L"*", L"*a;b*c*"));
    EXPECT_TRUE(WildcardMatch(L"*Notepad", L"*Untitled - Notepad"));
    EXPECT_TRUE(WildcardMatch("*Notepad*", "*Untitled - Notepad"));
    EXPECT_TRUE(WildcardMatch(L"a*", L"a*"));
    EXPECT_FALSE(WildcardMatch(L"*x", L"*"));
}

TEST(FileVersionText, ParsesFourNumbersAndRefusesTheRest) {
    EXPECT_EQ(ParseFileVersion("1.2.3.4"), 0x0001000200030004ull);
    EXPECT_EQ(ParseFileVersion(" 65535.0.0.1 "), 0xFFFF000000000001ull);
    EXPECT_EQ(ParseFileVersion("2.5"), 0x0002000500000000ull);
    EXPECT_EQ(ParseFileVersion("7"), 0x0007000000000000ull);
    for (const char* bad : {"", "abc", "1.2.3.4.5", "1..2", "1.2.", "-1", "65536", "1.2b", "1,2"})
        EXPECT_FALSE(ParseFileVersion(bad).has_value()) << bad;
}

TEST(WininitRename, NewestEntryComesFirst) {
    std::string text = AddWininitRename("", "NUL", "C:\\A.TXT");
    EXPECT_EQ(text, "[rename]\r\nNUL=C:\\A.TXT");
    text = AddWininitRename(text, "C:\\B.DLL", "C:\\QVT1.TMP");
    EXPECT_EQ(text, "[rename]\r\nC:\\B.DLL=C:\\QVT1.TMP\r\nNUL=C:\\A.TXT");
}

TEST(WininitRename, ExistingSectionsAndLinesStay) {
    EXPECT_EQ(AddWininitRename("[other]\r\nx=1\r\n[Rename]\r\nold=1\r\n", "NUL", "C:\\A"),
              "[other]\r\nx=1\r\n[Rename]\r\nNUL=C:\\A\r\nold=1\r\n");
    EXPECT_EQ(AddWininitRename("[other]\r\nx=[rename]", "NUL", "C:\\A"),
              "[other]\r\nx=[rename]\r\n[rename]\r\nNUL=C:\\A");
    EXPECT_EQ(AddWininitRename("[other]\r\n", "NUL", "C:\\A"), "[other]\r\n[rename]\r\nNUL=C:\\A");
}

// Characters after the header on its line stay there; the operation gets a line of its own.
TEST(WininitRename, TheOperationFollowsTheWholeHeaderLine) {
    EXPECT_EQ(AddWininitRename("[Rename]\x05\nold=1\r\n", "NUL", "C:\\A"),
              "[Rename]\x05\r\nNUL=C:\\A\nold=1\r\n");
    EXPECT_EQ(AddWininitRename("[rename] ; restart list", "NUL", "C:\\A"),
              "[rename] ; restart list\r\nNUL=C:\\A");
}

}  // namespace
}  // namespace vantrel
