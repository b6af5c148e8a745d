#include <gtest/gtest.h>

#include "builder/source_glob.h"
#include "builder_test_support.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

struct MatchCase {
    const char* name;
    const char* pattern;
    const char* text;
    bool matches;
};

class SourcePattern : public testing::TestWithParam<MatchCase> {};

TEST_P(SourcePattern, Matches) {
    EXPECT_EQ(MatchesPattern(GetParam().pattern, GetParam().text), GetParam().matches)
        << GetParam().pattern << " vs " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourcePattern,
    testing::Values(MatchCase{"StarMatchesAName", "*.txt", "a.txt", true},
                    MatchCase{"StarKeepsTheExtension", "*.txt", "a.txt.bak", false},
                    MatchCase{"StarStopsAtASlash", "*.txt", "sub/a.txt", false},
                    MatchCase{"QuestionMarkIsOneCharacter", "?.txt", "ab.txt", false},
                    MatchCase{"StarsInTheMiddle", "a*b*c", "aXbYbc", true},
                    MatchCase{"DoubleStarCrossesFolders", "**", "x/y/z", true},
                    MatchCase{"DoubleStarSlashMatchesTheTop", "**/*.dll", "a.dll", true},
                    MatchCase{"DoubleStarSlashMatchesDeep", "**/*.dll", "a/b/c.dll", true},
                    MatchCase{"DoubleStarInTheMiddleMatchesNothing", "a/**/z", "a/z", true},
                    MatchCase{"DoubleStarInTheMiddleMatchesFolders", "a/**/z", "a/b/c/z", true},
                    MatchCase{"DoubleStarKeepsTheFirstFolder", "a/**/z", "b/z", false},
                    MatchCase{"StarNeedsACharacter", "*", "", false}),
    test::CaseName);

TEST(SourceGlob, ExpandsSortedWithNamesBelowTheFixedFolder) {
    test::HostTempFolder folder;
    folder.Write("in/b.txt", "b");
    folder.Write("in/a.txt", "a");
    folder.Write("in/sub/c.txt", "c");
    folder.Write("in/sub/d.bin", "d");
    folder.Write("in/B.txt", "B");
    std::vector<std::string> names;
    for (const auto& match : ExpandSourcePattern(folder.Path(), "in/**/*.txt"))
        names.push_back(match.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.txt", "a.txt", "b.txt", "sub\\c.txt"}));
    names.clear();
    for (const auto& match : ExpandSourcePattern(folder.Path(), "in\\*.txt"))
        names.push_back(match.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.txt", "a.txt", "b.txt"}));
    const auto single = ExpandSourcePattern(folder.Path(), "in/sub/d.bin");
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].name, "d.bin");
    EXPECT_THROW(ExpandSourcePattern(folder.Path(), "missing/*.txt"), std::runtime_error);
    EXPECT_THROW(ExpandSourcePattern(folder.Path(), "in/none.txt"), std::runtime_error);
}

}  // namespace
}  // namespace vantrel::builder
