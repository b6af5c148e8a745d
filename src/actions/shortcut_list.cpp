#include "actions/shortcut_list.h"

#include <windows.h>

#include "context/install_log.h"
#include "format/path_join.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/ansi_text.h"
#include "support/system_info.h"
#include "support/whole_file.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kDesktopShortcutFlag = 0x1;
constexpr std::uint32_t kStartMenuShortcutFlag = 0x2;
constexpr std::uint32_t kPermanentFlag = 0x20;

}  // namespace

ShortcutListEntry SettingsShortcutEntry(const ShortcutRecord& record) {
    ShortcutListEntry entry;
    entry.desktop = record.desktop != 0;
    entry.startMenu = record.startMenu != 0;
    entry.startup = record.startup != 0;
    entry.noRecord = record.noRecord != 0;
    entry.expandTarget = true;
    entry.showMode = record.showMode;
    entry.target = record.target;
    entry.name = record.name;
    entry.icon = record.icon;
    entry.arguments = record.arguments;
    entry.workingFolder = record.workingFolder;
    entry.customFolder = record.customFolder;
    return entry;
}

ShortcutListEntry FileShortcutEntry(const std::wstring& installedPath, std::uint32_t recordFlags,
                                    bool startupKind, std::string_view nameUtf8, const std::wstring& icon,
                                    std::string_view argumentsWindows1252,
                                    std::string_view workingFolderEncoded) {
    ShortcutListEntry entry;
    entry.desktop = (recordFlags & kDesktopShortcutFlag) != 0;
    entry.startMenu = (recordFlags & kStartMenuShortcutFlag) != 0;
    entry.startup = startupKind;
    entry.noRecord = (recordFlags & kPermanentFlag) != 0;
    entry.target = installedPath;
    entry.name = Utf8ToUtf16(nameUtf8);
    entry.icon = icon;
    entry.arguments = Windows1252ToUtf16(argumentsWindows1252);
    entry.workingFolder = DecodeText(workingFolderEncoded, AnsiCodePageToUtf16);
    return entry;
}

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
