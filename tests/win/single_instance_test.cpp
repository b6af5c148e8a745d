#include "engine/single_instance.h"

#include <gtest/gtest.h>

#include "run/fatal_message.h"
#include "run/run_end.h"
#include "format/message_table.h"
#include "support/scripted_ui.h"

namespace vantrel {
namespace {

TEST(SingleInstance, SecondInstanceShowsMessage91AndEndsWithOne) {
    RunState first;
    AcquireSingleInstance(first);
    ASSERT_TRUE(first.singleInstanceMutex.Valid());

    RunState second;
    auto ui = std::make_unique<test::ScriptedUserInterface>();
    test::ScriptedUserInterface* shown = ui.get();
    second.ui = std::move(ui);
    std::vector<std::wstring> texts(92);
    texts[91] = L"Another installation is running.";
    MessageTable table({L"English"}, texts);
    second.messages = &table;
    FatalMessageRoutine routine(second);
    routine.Register();
    try {
        AcquireSingleInstance(second);
        FAIL() << "the second instance must not go on";
    } catch (const RunEnd& end) {
        EXPECT_EQ(end.exitCode, 1);
    }
    ASSERT_EQ(shown->shown.size(), 1u);
    EXPECT_EQ(shown->shown[0].text, L"Another installation is running.");
    EXPECT_FALSE(second.singleInstanceMutex.Valid());
}

TEST(SingleInstance, IsFreeAgainOnceTheHolderEnds) {
    {
        RunState holder;
        AcquireSingleInstance(holder);
    }
    RunState next;
    AcquireSingleInstance(next);
    EXPECT_TRUE(next.singleInstanceMutex.Valid());
}

}  // namespace
}  // namespace vantrel
