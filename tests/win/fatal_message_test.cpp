#include "run/fatal_message.h"

#include <gtest/gtest.h>

#include "engine/corrupt_payload.h"
#include "run/run_end.h"
#include "format/message_table.h"
#include "support/scripted_ui.h"

namespace vantrel {
namespace {

struct FatalFixture : testing::Test {
    FatalFixture() {
        auto scripted = std::make_unique<test::ScriptedUserInterface>();
        ui = scripted.get();
        run.ui = std::move(scripted);
    }

    int RaiseAndCatch(const std::wstring& message) {
        FatalMessageRoutine routine(run);
        routine.Register();
        try {
            Fatal(message);
        } catch (const RunEnd& end) {
            return end.exitCode;
        }
        return -100;
    }

    RunState run;
    test::ScriptedUserInterface* ui = nullptr;
};

TEST_F(FatalFixture, ShowsAnErrorBoxTitledErrorBeforeThePayloadIsRead) {
    EXPECT_EQ(RaiseAndCatch(L"Something broke"), 1);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, L"Something broke");
    EXPECT_EQ(ui->shown[0].caption, L"Error");
    EXPECT_EQ(ui->shown[0].style & 0xF0u, mb::kIconError);
}

TEST_F(FatalFixture, TakesItsTitleFromMessage21) {
    std::vector<std::wstring> texts(22);
    texts[21] = L"Setup problem";
    MessageTable table({L"English"}, texts);
    run.messages = &table;
    RaiseAndCatch(L"x");
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, L"Setup problem");
}

TEST_F(FatalFixture, SilentModeShowsNothingAndStillEndsWithOne) {
    run.options.silent = true;
    EXPECT_EQ(RaiseAndCatch(L"x"), 1);
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(FatalFixture, CorruptPayloadUsesMessage13OrTheBuiltInText) {
    FatalMessageRoutine routine(run);
    routine.Register();
    EXPECT_THROW(CorruptPayloadError(run, 47), RunEnd);
    ASSERT_EQ(ui->shown.size(), 1u);
    const std::wstring& text = ui->shown[0].text;
    EXPECT_EQ(text.rfind(L"This installation program is corrupt.", 0), 0u);
    EXPECT_NE(text.find(L"\r\n\r\nError code: 47"), std::wstring::npos);

    std::vector<std::wstring> texts(14);
    texts[13] = L"Broken (%d)";
    MessageTable table({L"English"}, texts);
    run.messages = &table;
    EXPECT_EQ(CorruptPayloadText(run, 20), L"Broken (20)");
}

// A fatal error while the first one is being shown ends the run with -1; it unwinds like
// any other end, so the caller (not the fatal routine) ends the process.
TEST(FatalReentry, ASecondFatalDuringTheFirstEndsTheRunWithMinusOne) {
    struct ReenteringUi : UserInterface {
        int ShowMessageBox(const std::wstring&, const std::wstring&, unsigned) override { Fatal(L"second"); }
    };
    RunState run;
    run.ui = std::make_unique<ReenteringUi>();
    FatalMessageRoutine routine(run);
    routine.Register();
    int exitCode = 0;
    try {
        Fatal(L"first");
    } catch (const RunEnd& end) {
        exitCode = end.exitCode;
    }
    EXPECT_EQ(exitCode, kExitFatalReentry);
}

}  // namespace
}  // namespace vantrel
