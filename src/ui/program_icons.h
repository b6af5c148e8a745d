#pragma once

#include <windows.h>

namespace vantrel {

// Gives `window` the program's icon (resource 1 of `instance`) in both sizes, each loaded at
// the size the system asks for at the screen's density rather than one scaled from the other.
void GiveProgramIcons(HWND window, HINSTANCE instance);

}  // namespace vantrel
