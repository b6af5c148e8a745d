#pragma once

#include <windows.h>

namespace vantrel {

// The density of the monitor the window is on where the system knows it per monitor
// (Windows 10 and later), else the screen's; 96 when neither answers.
int WindowDpi(HWND window);

}  // namespace vantrel
