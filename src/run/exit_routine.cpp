#include "run/exit_routine.h"

#include <ole2.h>

namespace vantrel {

void PumpWindowMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ExitRun(RunState& run, int exitCode) {
    for (auto& step : run.exitSteps)
        step();
    run.exitSteps.clear();
    PumpWindowMessages();
    OleUninitialize();
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace vantrel
