#pragma once

#include <windows.h>

namespace vantrel {

// The engine's entry routine: prepares the process, reads the command line, then
// uninstalls or installs. Never returns; every end goes through the exit routine.
[[noreturn]] void EngineMain(HINSTANCE instance);

}  // namespace vantrel
