#include "actions/uninstaller_shortcuts.h"

#include <windows.h>

#include "context/install_log.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "support/system_info.h"
#include "support/whole_file.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
void AppendUninstallerShortcuts(std::vector<ShortcutListEntry>& list,
                                const UninstallerShortcutRequest& request, InstallLog& log,
                                UninstallData& uninstallData) {
    std::wstring icon;
    if (!request.iconData.empty()) {
        const std::wstring iconPath = PathJoin(request.uninstallDir, L"uninstall.ico");
        if (WriteWholeFile(iconPath, request.iconData)) {
            icon = iconPath;
            uninstallData.RecordRemoval(iconPath, RemovalKind::kFile);
        } else {
            log.WriteLogFormat(std::wstring_view(L"Failed to install uninstaller icon to %s\r\n%s\r\n"),
                               {iconPath, SystemErrorText(GetLastError())});
        }
    }
    ShortcutListEntry common;
    common.target = request.uninstallerPath;
    common.arguments = L"/u:\"" + request.uninstallName + L"\"";
    common.name = request.name;
    common.icon = icon;
    common.quiet = true;
    if (request.inStartMenu) {
        ShortcutListEntry entry = common;
        entry.startMenu = true;
        list.push_back(std::move(entry));
    }
    if (request.onDesktop) {
        ShortcutListEntry entry = common;
        entry.desktop = true;
        list.push_back(std::move(entry));
    }
    if (request.inUninstallDir) {
        ShortcutListEntry entry = common;
        entry.customFolder = EncodeText(request.uninstallDir);
        list.push_back(std::move(entry));
    }
    if (request.inInstallDir) {
        ShortcutListEntry entry = common;
        entry.customFolder = EncodeText(request.installDir);
        list.push_back(std::move(entry));
    }
}

void AppendInstallLogShortcut(std::vector<ShortcutListEntry>& list, const std::wstring& installLogPath,
                              const std::wstring& name) {
    ShortcutListEntry entry;
    entry.startMenu = true;
    entry.target = installLogPath;
    entry.name = name;
    list.push_back(std::move(entry));
}

}  // namespace vantrel
