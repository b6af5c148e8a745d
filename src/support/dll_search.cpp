#include "support/dll_search.h"

#include <windows.h>

#include "support/system_library.h"

namespace vantrel {

bool RestrictDllSearchToSystemFolder() {
    // Present from Windows 8 on, and on Windows 7 with its loader update: looked up rather
    // than imported, so the program still starts where it is missing.
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        ModuleFunction<SetDefaultDirectories>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE)
        return true;
    SetDllDirectoryW(L"");
    return false;
}

}  // namespace vantrel
