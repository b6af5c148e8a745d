#pragma once

#include "run/run_state.h"

namespace vantrel {

// The one orderly end of the process: the run's exit steps, pending window messages,
// OLE, and ExitProcess with the code.
[[noreturn]] void ExitRun(RunState& run, int exitCode);

// Dispatches every pending message of this thread's queue.
void PumpWindowMessages();

}  // namespace vantrel
