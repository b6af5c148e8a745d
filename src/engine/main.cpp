#include <windows.h>

#include <cstdlib>

#include "engine/engine_main.h"

// The library's default terminate handler prints a demangled type name, which pulls a
// whole demangler into the program; an uncaught exception here is a crash either way.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Everything the run owned is gone by the time EngineMain returns: only then does the
    // process end, through the runtime's exit with this code.
    return vantrel::EngineMain(instance);
}
