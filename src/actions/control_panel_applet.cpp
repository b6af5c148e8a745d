#include "actions/control_panel_applet.h"

#include <windows.h>

#include "context/install_log.h"
#include "support/system_info.h"
#include "support/unique_registry_key.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

LSTATUS CreateKeyWithDefault(HKEY parent, const std::wstring& path, const std::wstring& value,
                             UniqueRegistryKey& key) {
    LSTATUS status = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                     nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    return RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

}  // namespace

bool RegisterControlPanelApplet(const AppletInput& applet,
                                const std::function<void(const std::wstring&)>& showStatus, InstallLog& log,
                                UninstallData& uninstallData) {
    if (showStatus)
        showStatus(L"Control Panel extension \"" + applet.name + L"\"");
    log.WriteLogPieces({L"Registering control panel applet \"", applet.name, L"\"..."});
    const std::wstring classKey = L"Software\\Classes\\CLSID\\" + applet.classId;
    const std::wstring namespaceKey =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\" + applet.classId;
    std::wstring command = L"\"" + applet.path + L"\"";
    if (!applet.arguments.empty())
        command += L" " + applet.arguments;

    LSTATUS status = ERROR_SUCCESS;
    UniqueRegistryKey classHandle;
    UniqueRegistryKey child;
    if ((status = CreateKeyWithDefault(HKEY_LOCAL_MACHINE, classKey, applet.name, classHandle)) ==
        ERROR_SUCCESS) {
        uninstallData.RecordRemoval(L"\\HKLM\\" + classKey, RemovalKind::kRegistryKey);
        if ((status = CreateKeyWithDefault(classHandle.Get(), L"DefaultIcon", applet.path, child)) ==
                ERROR_SUCCESS &&
            (status = CreateKeyWithDefault(classHandle.Get(), L"Shell\\Open\\Command", command, child)) ==
                ERROR_SUCCESS &&
            (status = CreateKeyWithDefault(HKEY_LOCAL_MACHINE, namespaceKey, applet.name, child)) ==
                ERROR_SUCCESS)
            uninstallData.RecordRemoval(L"\\HKLM\\" + namespaceKey, RemovalKind::kRegistryKey);
    }
    if (status == ERROR_SUCCESS) {
        log.WriteLog(std::string_view("OK\r\n"));
        return true;
    }
    log.WriteLogPieces({L"FAILED!\r\n", SystemErrorText(static_cast<unsigned long>(status)), L"\r\n"});
    return false;
}

}  // namespace vantrel
