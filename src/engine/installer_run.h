#pragma once

#include "run/run_state.h"

namespace vantrel {

// An install run: reads the payload and runs the installation. Returns the exit code.
int RunInstallation(RunState& run);

}  // namespace vantrel
