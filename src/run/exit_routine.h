#pragma once

#include <functional>

#include "run/run_state.h"

namespace vantrel {

// Runs the body of a run and turns every way it can end (a returned code, a RunEnd thrown
// by the fatal routine or anywhere else, an allocation that failed, which shows the
// out-of-memory fatal message) into the exit code. The stack is unwound before
// this returns, so every owner on the way (temporary files, handles, windows) has done its
// work; then the run's exit steps run and pending window messages are dispatched. The
// caller ends the process only after the run state itself has gone.
int RunToEnd(RunState& run, const std::function<int()>& body);

// The run's exit steps, in order, each once; then the pending window messages.
void FinishRun(RunState& run);

// Dispatches every pending message of this thread's queue.
void PumpWindowMessages();

}  // namespace vantrel
