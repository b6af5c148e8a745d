#include "support/windows_installer.h"

#include "support/system_library.h"

namespace vantrel {
namespace {

// Loaded once and kept for the rest of the process: both the installation and the
// uninstaller may run several packages.
HMODULE msiLibrary = nullptr;
bool msiLoadTried = false;

HMODULE MsiLibrary() {
    if (!msiLoadTried) {
        msiLoadTried = true;
        msiLibrary = LoadSystemLibrary(L"msi.dll");
    }
    return msiLibrary;
}

}  // namespace

unsigned RunWindowsInstaller(const std::wstring& packagePath, const std::wstring& commandLine, int uiLevel,
                             HWND owner) {
    const HMODULE library = MsiLibrary();
    using InstallProduct = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
    using SetInternalUi = int(WINAPI*)(int, HWND*);
    const auto installProduct = ModuleFunction<InstallProduct>(library, "MsiInstallProductW");
    if (installProduct == nullptr)
        return ERROR_CALL_NOT_IMPLEMENTED;
    if (const auto setInternalUi = ModuleFunction<SetInternalUi>(library, "MsiSetInternalUI")) {
        HWND parent = owner;
        setInternalUi(uiLevel, &parent);
    }
    return installProduct(packagePath.c_str(), commandLine.c_str());
}

}  // namespace vantrel
