#include "run/exit_routine.h"

#include <new>

#include "run/out_of_memory.h"
#include "run/run_end.h"
#include "support/window_messages.h"

namespace vantrel {

void PumpWindowMessages() {
    DispatchPendingMessages();
}

void FinishRun(RunState& run) {
    // Taken out first: a step that ends the run again must not run the steps twice.
    std::vector<std::function<void()>> steps = std::move(run.exitSteps);
    run.exitSteps.clear();
    for (auto& step : steps)
        step();
    PumpWindowMessages();
}

int RunToEnd(RunState& run, const std::function<int()>& body) {
    int exitCode = kExitInstall;
    try {
        exitCode = body();
    } catch (const RunEnd& end) {
        exitCode = end.exitCode;
    } catch (const std::bad_alloc&) {
        // Memory ran out somewhere inside: a fatal message, not a crash.
        exitCode = ReportOutOfMemory();
    }
    try {
        FinishRun(run);
    } catch (const RunEnd& end) {
        // A fatal error while the run was already ending.
        exitCode = end.exitCode;
    }
    return exitCode;
}

}  // namespace vantrel
