// Where the progress page goes: each direction of the position code on its own, the others
// leaving the page where it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <stdexcept>

#include "support/child_process.h"
#include "ui/page_progress.h"
#include "ui/wizard_ids.h"

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

// What the page's procedure catches (here: the Cancel question's text cannot be made) comes
// out of the loop that serves the page, where the run can unwind, instead of being lost
// with a quit message that keeps coming back.
TEST(ProgressPageWindow, AnExceptionInTheCancelQuestionReachesTheLoopThatServesThePage) {
    constexpr std::size_t kCancelQuestion = 28;
    // The page's templates are resources of the engine.
    const HMODULE engine =
        LoadLibraryExW(test::HostPathToWindows(VANTREL_ENGINE_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(engine, nullptr);
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    PageEnvironment environment;
    environment.instance = engine;
    environment.text = [](std::size_t number) -> std::wstring {
        if (number == kCancelQuestion)
            throw std::runtime_error("no text for the question");
        return L"Text";
    };
    ProgressPageOptions options;
    options.layout = PageLayout::kHeader;
    ProgressCancelFlag cancel;
    CallbackGuard guard;
    const ProgressPageControls controls = OpenProgressPage(environment, options, cancel, nullptr, guard);
    ASSERT_NE(controls.page, nullptr);
    SendMessageW(controls.page, WM_COMMAND, IDC_PAGE_CANCEL, 0);
    EXPECT_THROW(ServiceWindows(guard), std::runtime_error);
    EXPECT_FALSE(cancel.Raised());
    DestroyWindow(controls.page);
    FreeLibrary(engine);
}

}  // namespace
}  // namespace vantrel
