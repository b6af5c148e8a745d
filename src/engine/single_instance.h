#pragma once

#include "run/run_state.h"

namespace vantrel {

// The engine-wide name of the single-instance mutex.
inline constexpr const wchar_t* kSingleInstanceMutexName = L"VantrelSetup.Installer.SingleInstance";

// Takes the single-instance mutex for the rest of the run. When another installer holds it,
// message 91 is shown and the run ends with exit code 1.
void AcquireSingleInstance(RunState& run);

}  // namespace vantrel
