#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// Runs Windows Installer on a package: MSI.DLL from the system folder (loaded on first use
// and kept), its internal interface set to `uiLevel` with `owner` as the parent window when
// the library offers that, then MsiInstallProductW with the command line. Returns the
// installer's result (0 on success), or ERROR_CALL_NOT_IMPLEMENTED (120) when the library
// or its install function is missing.
unsigned RunWindowsInstaller(const std::wstring& packagePath, const std::wstring& commandLine, int uiLevel,
                             HWND owner);

// Whether a result of the installer means the package was installed or removed: besides 0,
// "done, a restart is needed" (3010, which REBOOT=R makes common) and "done, a restart was
// started" (1641).
constexpr bool WindowsInstallerSucceeded(unsigned result) {
    return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_REQUIRED ||
           result == ERROR_SUCCESS_REBOOT_INITIATED;
}

}  // namespace vantrel
