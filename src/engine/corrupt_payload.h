#pragma once

#include "run/run_state.h"

namespace vantrel {

// Ends the run because the payload is damaged: message 13 (or the built-in text) with the
// error code, through the fatal-message routine (exit code 1, nothing shown when silent).
[[noreturn]] void CorruptPayloadError(RunState& run, int errorCode);

// The text shown for a code, as CorruptPayloadError formats it.
std::wstring CorruptPayloadText(const RunState& run, int errorCode);

}  // namespace vantrel
