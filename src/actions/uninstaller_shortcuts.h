#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "actions/shortcuts.h"

namespace vantrel {

class InstallLog;
class UninstallData;

// The shortcuts the installation adds for its own uninstaller and its log, appended to the
// shortcut list by the sequence after the settings' and the files' entries (before the
// shortcut step runs).
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
