#include "format/version_compare.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct VersionCase {
    const char* name;
    const char* left;
    const char* right;
    int sign;
};

class VersionCompareTable : public testing::TestWithParam<VersionCase> {};

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST_P(VersionCompareTable, OrdersAndIsAntisymmetric) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(Sign(VersionCompare(c.left, c.right)), c.sign);
    EXPECT_EQ(Sign(VersionCompare(c.right, c.left)), -c.sign);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VersionCompareTable,
    testing::Values(
        VersionCase{"Equal", "2.10.3", "2.10.3", 0}, VersionCase{"NumericNotTextual", "2.9", "2.10", -1},
        VersionCase{"FirstComponentDecides", "3.0", "2.99.99", 1},
        VersionCase{"ShorterIsLower", "1.2", "1.2.0", -1}, VersionCase{"ShorterButHigher", "1.3", "1.2.9", 1},
        VersionCase{"LeadingZeros", "01.002", "1.2", 0}, VersionCase{"SuffixBeatsNone", "1.2a", "1.2", 1},
        VersionCase{"SuffixByCharacterCode", "1.2b", "1.2a", 1},
        VersionCase{"UpperBeforeLower", "1.2B", "1.2a", -1},
        VersionCase{"SuffixOnlyWhenComponentsEqual", "1.3a", "1.4", -1},
        VersionCase{"SuffixInTheMiddle", "1.2a.3", "1.2.3a", 0}, VersionCase{"EmptyIsLowest", "", "0", -1},
        VersionCase{"SingleNumbers", "7", "10", -1},
        VersionCase{"HugeComponentsSaturate", "99999999999999999999999", "1", 1}),
    test::CaseName);

}  // namespace
}  // namespace vantrel
