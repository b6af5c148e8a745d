#include "run/out_of_memory.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "run/exit_routine.h"
#include "run/fatal_message.h"
#include "run/run_end.h"
#include "support/scripted_ui.h"

namespace vantrel {
namespace {

struct OutOfMemoryFixture : testing::Test {
    OutOfMemoryFixture() : routine(run) {
        auto scripted = std::make_unique<test::ScriptedUserInterface>();
        ui = scripted.get();
        run.ui = std::move(scripted);
        routine.Register();
    }

    RunState run;
    FatalMessageRoutine routine;
    test::ScriptedUserInterface* ui = nullptr;
};

TEST_F(OutOfMemoryFixture, AFailedAllocationEndsTheRunWithTheFatalMessage) {
    // More than a 32-bit process can ever hold in one piece; kept out of the compiler's sight.
    volatile std::size_t huge = 0xF0000000u;
    bool exitStepRan = false;
    run.exitSteps.push_back([&exitStepRan] { exitStepRan = true; });
    const int code = RunToEnd(run, [&huge] {
        auto block = std::make_unique<char[]>(huge);
        return block[0] == 0 ? 5 : 6;
    });
    EXPECT_EQ(code, kExitInstall);
    EXPECT_TRUE(exitStepRan);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, L"Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.");
    EXPECT_EQ(ui->shown[0].caption, L"Error");
    EXPECT_EQ(ui->shown[0].style & 0xF0u, mb::kIconError);
}

TEST_F(OutOfMemoryFixture, SilentModeShowsNothingAndStillEndsWithOne) {
    run.options.silent = true;
    EXPECT_EQ(RunToEnd(run, []() -> int { throw std::bad_alloc(); }), kExitInstall);
    EXPECT_TRUE(ui->shown.empty());
}

}  // namespace
}  // namespace vantrel
