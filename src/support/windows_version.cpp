#include "support/windows_version.h"

#include <windows.h>

namespace vantrel {

bool IsWindowsOlderThanXp() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info))
        return false;
    return info.dwMajorVersion < 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion < 1);
}

}  // namespace vantrel
