#include "ui/window_dpi.h"

#include "support/system_library.h"
#include "ui/background_window_layout.h"

namespace vantrel {
namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int WindowDpi(HWND window) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (const auto dpiForWindow = ModuleFunction<DpiForWindowFunction>(user, "GetDpiForWindow");
        dpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = dpiForWindow(window); dpi > 0)
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

}  // namespace vantrel
