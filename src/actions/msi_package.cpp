#include "actions/msi_package.h"

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_format.h"
#include "support/system_info.h"
#include "support/windows_installer.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {

unsigned InstallMsiPackage(const MsiPackageInput& package, HWND owner,
                           const std::function<void(const std::wstring&)>& showStatus, InstallLog& log,
                           FailureList& failures, UninstallData& uninstallData) {
    if (showStatus)
        showStatus(package.path);
    std::wstring line = L"Installing MSI package \"" + package.path + L"\"...";
    const unsigned result = RunWindowsInstaller(package.path, L"REBOOT=R", package.interfaceLevel, owner);
    if (!WindowsInstallerSucceeded(result)) {
        line += L"FAILED code " + DecimalText(result) + L": " + SystemErrorText(result) + L"\r\n";
        failures.Append(line);
    } else {
        line += L"OK\r\n";
        if ((package.flags & kMsiRemoveWithProduct) != 0)
            uninstallData.AddMsiLine(package.path, package.interfaceLevel);
    }
    log.WriteLog(std::wstring_view(line));
    return result;
}

}  // namespace vantrel
