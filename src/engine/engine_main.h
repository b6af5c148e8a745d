#pragma once

#include <windows.h>

namespace vantrel {

// The engine's entry routine: prepares the process, reads the command line, then
// uninstalls or installs. Returns the exit code once the whole run has unwound and its
// exit steps are done; the caller ends the process with it.
int EngineMain(HINSTANCE instance);

}  // namespace vantrel
