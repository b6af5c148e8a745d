#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "context/install_log.h"
#include "engine/corrupt_payload.h"
#include "run/callback_guard.h"
#include "run/exit_routine.h"
#include "run/fatal_message.h"
#include "run/run_end.h"
#include "support/scripted_ui.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A window whose procedure runs project code for WM_APP through a CallbackGuard, the way
// the wizard and progress windows do.
class GuardedWindow {
  public:
    explicit GuardedWindow(std::function<void()> onMessage) : onMessage_(std::move(onMessage)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~GuardedWindow() { DestroyWindow(window_); }
    GuardedWindow(const GuardedWindow&) = delete;
    GuardedWindow& operator=(const GuardedWindow&) = delete;

    void Post() const { PostMessageW(window_, WM_APP, 0, 0); }
    CallbackGuard guard;
    int handled = 0;

  private:
    static constexpr const wchar_t* kClassName = L"VantrelGuardedTestWindow";

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<GuardedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_APP && self != nullptr) {
            return self->guard.Call(LRESULT{0}, [self] {
                ++self->handled;
                self->onMessage_();
                return LRESULT{1};
            });
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void()> onMessage_;
    HWND window_ = nullptr;
};

TEST(CallbackGuard, ARunEndInAWindowProcedureQuitsTheLoopAndIsThrownAfterIt) {
    GuardedWindow window([] { throw RunEnd{7}; });
    window.Post();
    window.Post();  // arrives after the end: not handled any more
    int exitCode = 0;
    try {
        RunMessageLoop(window.guard);
    } catch (const RunEnd& end) {
        exitCode = end.exitCode;
    }
    EXPECT_EQ(exitCode, 7);
    EXPECT_FALSE(window.guard.Pending());
    PumpWindowMessages();
    EXPECT_EQ(window.handled, 1);
}

TEST(CallbackGuard, ALoopWithoutAnEndReturnsTheQuitCode) {
    GuardedWindow window([] { PostQuitMessage(3); });
    window.Post();
    EXPECT_EQ(RunMessageLoop(window.guard), 3);
    EXPECT_EQ(window.handled, 1);
}

TEST(CallbackGuard, OtherExceptionsCrossTheCallbackTheSameWay) {
    GuardedWindow window([] { throw std::runtime_error("boom"); });
    window.Post();
    EXPECT_THROW(RunMessageLoop(window.guard), std::runtime_error);
}

// Every way a run can end leaves none of its temporary files behind: the stack unwinds to
// the top before the process ends, so the owners (here the log's body file) clean up.
struct ExitPathCase {
    const char* name;
    // Ends the run its way; `run` has a scripted user interface and a registered fatal routine.
    std::function<int(RunState& run)> end;
    int expectedExitCode;
};

class ExitPath : public testing::TestWithParam<ExitPathCase> {};

TEST_P(ExitPath, LeavesNoTemporaryFileOfTheRun) {
    RunState run;
    run.ui = std::make_unique<test::ScriptedUserInterface>();
    FatalMessageRoutine fatal(run);
    fatal.Register();
    std::wstring bodyPath;
    bool exitStepRan = false;
    run.exitSteps.push_back([&] {
        exitStepRan = true;
        // The run's owners have gone before the exit steps run.
        EXPECT_FALSE(FileExists(bodyPath));
    });
    const int exitCode = RunToEnd(run, [&] {
        InstallLog log;
        EXPECT_TRUE(log.Begin());
        bodyPath = log.BodyPath();
        EXPECT_TRUE(FileExists(bodyPath));
        return GetParam().end(run);
    });
    EXPECT_EQ(exitCode, GetParam().expectedExitCode);
    EXPECT_TRUE(exitStepRan);
    ASSERT_FALSE(bodyPath.empty());
    EXPECT_FALSE(FileExists(bodyPath));
}

struct ReenteringUi : UserInterface {
    int ShowMessageBox(const std::wstring&, const std::wstring&, unsigned) override { Fatal(L"second"); }
};

INSTANTIATE_TEST_SUITE_P(
    Table, ExitPath,
    testing::Values(ExitPathCase{"Returns", [](RunState&) { return kExitUninstall; }, kExitUninstall},
                    ExitPathCase{"FatalMessage", [](RunState&) -> int { Fatal(L"broken"); }, kExitInstall},
                    ExitPathCase{"CorruptPayload", [](RunState& run) -> int { CorruptPayloadError(run, 47); },
                                 kExitInstall},
                    ExitPathCase{"FatalWhileAFatalIsShown",
                                 [](RunState& run) -> int {
                                     run.ui = std::make_unique<ReenteringUi>();
                                     Fatal(L"first");
                                 },
                                 kExitFatalReentry},
                    ExitPathCase{"FatalInAWindowProcedure",
                                 [](RunState&) {
                                     GuardedWindow window([] { Fatal(L"in a callback"); });
                                     window.Post();
                                     return RunMessageLoop(window.guard);
                                 },
                                 kExitInstall}),
    test::CaseName);

TEST(ExitPath, AFatalErrorInAnExitStepAfterAFatalEndsWithMinusOne) {
    RunState run;
    run.ui = std::make_unique<test::ScriptedUserInterface>();
    FatalMessageRoutine fatal(run);
    fatal.Register();
    int later = 0;
    run.exitSteps.push_back([] { Fatal(L"again"); });
    run.exitSteps.push_back([&later] { ++later; });
    EXPECT_EQ(RunToEnd(run, []() -> int { Fatal(L"first"); }), kExitFatalReentry);
    EXPECT_TRUE(run.exitSteps.empty());
    EXPECT_EQ(later, 0);
}

}  // namespace
}  // namespace vantrel
