#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <string>
#include <vector>

#include "actions/shortcuts.h"

namespace vantrel {

class InstallLog;
class UninstallData;

// The shortcut list, built by the installation sequence in this order: the settings'
// shortcut table, the files that ask for shortcuts (handed over by the extraction), the
// uninstaller's own shortcuts, the log's shortcut. The shortcut step then consumes it.

struct ShortcutRecord;

// An entry of the settings' shortcut table (its target always has variables expanded).
ShortcutListEntry SettingsShortcutEntry(const ShortcutRecord& record);

// An entry for an installed file: a record of kind 0 with flag 0x1 (desktop) or 0x2 (Start
// menu), or any record of kind 5 (startup). The texts are as the record holds them: the name
// UTF-8, the arguments Windows-1252, the working folder encoded text.
ShortcutListEntry FileShortcutEntry(const std::wstring& installedPath, std::uint32_t recordFlags,
                                    bool startupKind, std::string_view nameUtf8, const std::wstring& icon,
                                    std::string_view argumentsWindows1252,
                                    std::string_view workingFolderEncoded);

// The uninstaller's shortcuts, by the product's flags.
struct UninstallerShortcutRequest {
    std::wstring uninstallDir;               // %UninstallDir%
    std::wstring uninstallerPath;            // %UninstallDir% joined with the uninstaller's file name
    std::wstring uninstallName;              // the product's uninstall name (its Uninstall subkey)
    std::wstring name;                       // message 33
    std::wstring installDir;                 // %InstallDir%
    std::span<const std::uint8_t> iconData;  // the uninstaller icon; may be empty
    bool inStartMenu = false;                // ProductFlags low 0x2
    bool onDesktop = false;                  // ProductFlags high 0x2
    bool inUninstallDir = false;             // ProductFlags high 0x40
    bool inInstallDir = false;               // ProductFlags2 0x200000
};

// Writes "uninstall.ico" (recorded for removal) when there is icon data and appends the
// uninstaller's entries. Called only when an uninstaller is written.
void AppendUninstallerShortcuts(std::vector<ShortcutListEntry>& list,
                                const UninstallerShortcutRequest& request, InstallLog& log,
                                UninstallData& uninstallData);

// The Start-menu entry that opens Install.log (ProductFlags high 0x8000000); `name` is
// message 86.
void AppendInstallLogShortcut(std::vector<ShortcutListEntry>& list, const std::wstring& installLogPath,
                              const std::wstring& name);

}  // namespace vantrel
