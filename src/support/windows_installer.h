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

}  // namespace vantrel
