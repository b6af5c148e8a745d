// Where the progress page goes: each direction of the position code on its own, the others
// leaving the page where it was.
#include <gtest/gtest.h>

#include "ui/page_progress.h"

namespace vantrel {
namespace {

struct PlacementCase {
    const char* name;
    std::uint32_t code;
    POINT expected;
};

class ProgressPagePlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(ProgressPagePlacement, PlacesThePageInTheArea) {
    const RECT area{100, 50, 1100, 850};  // 1000 x 800
    const SIZE page{200, 100};
    const POINT current{333, 444};
    const POINT placed = ProgressPagePlace(GetParam().code, area, page, current);
    EXPECT_EQ(placed.x, GetParam().expected.x);
    EXPECT_EQ(placed.y, GetParam().expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ProgressPagePlacement,
    testing::Values(PlacementCase{"Unchanged", 0, {333, 444}}, PlacementCase{"Left", 1, {100, 444}},
                    PlacementCase{"Right", 2, {900, 444}}, PlacementCase{"CentredAcross", 3, {500, 444}},
                    PlacementCase{"Top", 8, {333, 50}}, PlacementCase{"Bottom", 16, {333, 750}},
                    PlacementCase{"CentredDown", 24, {333, 400}},
                    PlacementCase{"RightBottom", 2 | 16, {900, 750}},
                    PlacementCase{"CentredBoth", 3 | 24, {500, 400}},
                    // Bit 2 and the bits above 4 mean nothing here.
                    PlacementCase{"OtherBitsIgnored", 4 | 32 | 1, {100, 444}}),
    [](const testing::TestParamInfo<PlacementCase>& testCase) { return testCase.param.name; });

}  // namespace
}  // namespace vantrel
