#include "actions/control_panel_applet.h"

#include <windows.h>

#include "context/install_log.h"
#include "support/system_info.h"
#include "support/registry_key.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

// Creates (or opens) a key below the current one of `key`, or below `root` when given, and
// sets its default value; the key stays open on the stack.
bool CreateKeyWithDefault(RegistryKey& key, HKEY root, const std::wstring& path, const std::wstring& value) {
    constexpr REGSAM kAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
    const RegistryOpen opened = root != nullptr
                                    ? key.Open(root, path, registry_option::kDefaultSecurity, kAccess)
                                    : key.OpenRelative(path, registry_option::kDefaultSecurity, kAccess);
    return opened != RegistryOpen::kFailed && key.SetText(L"", value);
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

    RegistryKey key;
    bool done = false;
    if (CreateKeyWithDefault(key, HKEY_LOCAL_MACHINE, classKey, applet.name)) {
        uninstallData.RecordRemoval(L"\\HKLM\\" + classKey, RemovalKind::kRegistryKey);
        if (CreateKeyWithDefault(key, nullptr, L"DefaultIcon", applet.path)) {
            key.Close();
            done = CreateKeyWithDefault(key, nullptr, L"Shell\\Open\\Command", command) &&
                   CreateKeyWithDefault(key, HKEY_LOCAL_MACHINE, namespaceKey, applet.name);
        }
    }
    if (done) {
        uninstallData.RecordRemoval(L"\\HKLM\\" + namespaceKey, RemovalKind::kRegistryKey);
        log.WriteLog(std::string_view("OK\r\n"));
        return true;
    }
    const unsigned long status = GetLastError();
    log.WriteLogPieces({L"FAILED!\r\n", SystemErrorText(status), L"\r\n"});
    return false;
}

}  // namespace vantrel
