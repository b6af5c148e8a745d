#pragma once

#include <windows.h>

namespace vantrel {

// Loads a system DLL from the system folder by full path (never through the search path,
// so a planted copy beside the installer is never picked up). Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A function of a loaded module as a typed pointer, or null.
template <typename Function>
Function ModuleFunction(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    const FARPROC address = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace vantrel
