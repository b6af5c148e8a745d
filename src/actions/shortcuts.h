#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

class FailureList;
class InstallLog;
class MessageTable;
class UninstallData;

// The shortcut step of the installation sequence (after the component registrations):
// CreateShortcuts for the shortcut list, then CreateRootShortcut, then PinToTaskbar.

// One shortcut to make. The list is built from the settings' shortcut table, the file
// records that ask for shortcuts, and the uninstaller's own shortcuts.
struct ShortcutListEntry {
    bool desktop = false;
    bool startMenu = false;
    bool startup = false;
    bool noRecord = false;      // permanent: not recorded for removal
    bool expandTarget = false;  // installer variables in the target
    bool quiet = false;         // a failure stays out of the failure list
    std::uint8_t showMode = 0;  // 0 normal, 1 minimized, 2 maximized
    std::wstring target;
    std::wstring name;  // may hold backslashes (subfolders)
    std::wstring icon;  // empty: the target
    std::wstring arguments;
    std::wstring workingFolder;
    std::string customFolder;  // encoded 8-bit text ("|" + UTF-8, else the ANSI code page)
};

// The link flags of CreateShellLink.
namespace link_flags {
inline constexpr unsigned kAllUsers = 0x1;  // only selects the folder, in the callers
inline constexpr unsigned kMinimized = 0x2;
inline constexpr unsigned kMaximized = 0x4;
}  // namespace link_flags

// Makes one shortcut file: ".LNK" is appended unless the path already ends with it (letter
// case aside), missing folders are created, the working folder loses one trailing backslash
// (a bare drive "C:" keeps it). `linkPath` receives the final path. False on an empty target
// or any COM failure.
bool CreateShellLink(std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                     const std::wstring& workingFolder, const std::wstring& icon, unsigned flags);

// The folders the links go into, already chosen for the shortcut mode (all users or the
// current user).
struct ShortcutPlaces {
    std::wstring desktop;           // %DesktopAllDir% or %DesktopDir%
    std::wstring startMenu;         // the Programs folder joined with the product's Start-menu folder
    std::wstring extraStartMenu;    // Windows 95/98 all-users runs: the user's copy; empty otherwise
    std::wstring startup;           // %StartupAllDir% or %StartupDir%
    std::wstring desktopShortcuts;  // %DesktopShortcuts%; empty when the product has no desktop folder
    std::wstring installDir;
    std::wstring uninstallDir;
};

// The settings values the shortcut step reads.
struct ShortcutOptions {
    bool allUsers = false;
    bool detailedLog = false;                         // ProductFlags low 0x100000
    bool showLinkInStatus = true;                     // ProductFlags high 0x20000 clear
    std::span<const std::uint8_t> desktopFolderIcon;  // icon data for the desktop folder; may be empty
};

// Makes one link as CreateShellLink does; tests put a failing or crashing maker in its place.
using LinkMaker =
    std::function<bool(std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                       const std::wstring& workingFolder, const std::wstring& icon, unsigned flags)>;

// What the step asks of the rest of the run; empty members do nothing.
struct ShortcutServices {
    std::function<void(std::wstring& text)> expand;            // installer variables
    std::function<void(const std::wstring& text)> showStatus;  // the progress window's status line
    LinkMaker makeLink = CreateShellLink;
};

// What one run of the step keeps between calls: the desktop folder is prepared once.
struct ShortcutRunState {
    bool desktopFolderPrepared = false;
};

// Makes every shortcut of the list, logs and records them. Failures never stop the list.
void CreateShortcuts(const std::vector<ShortcutListEntry>& entries, const ShortcutPlaces& places,
                     const ShortcutOptions& options, const ShortcutServices& services,
                     ShortcutRunState& state, const MessageTable& messages, InstallLog& log,
                     FailureList& failures, UninstallData& uninstallData);

// The texts that replace "<product>", "<description>" and "<os>" in the root and pin names.
struct ShortcutNameValues {
    std::wstring product;
    std::wstring description;
    std::wstring windowsFolder;
};

// The root shortcut of a portable installation: "<drive>:\<name>.lnk" for the root command.
// Called only when the command is not empty and the installation is portable.
void CreateRootShortcut(const std::wstring& command, const std::wstring& name,
                        const ShortcutNameValues& values, const ShortcutPlaces& places, bool detailedLog,
                        const ShortcutServices& services, const MessageTable& messages, InstallLog& log,
                        FailureList& failures, UninstallData& uninstallData);

// True for the Windows versions that take taskbar pins from an installer: 6.1 up to 6.3.
bool TaskbarPinAllowed(DWORD majorVersion, DWORD minorVersion);

// Runs a shell verb ("taskbarpin", "taskbarunpin") on a link; the ShellExecuteW result
// (above 32 is success). Tests replace it: some systems refuse the verb outright.
using ShellVerbRunner = std::function<std::intptr_t(const std::wstring& linkPath, const wchar_t* verb)>;
std::intptr_t RunShellVerb(const std::wstring& linkPath, const wchar_t* verb);

// The uninstaller's taskbar step, for one recorded pinned link.
inline void UnpinFromTaskbar(const std::wstring& linkPath) {
    RunShellVerb(linkPath, L"taskbarunpin");
}

// Where the pinning shortcuts live and how the pin is asked for.
struct TaskbarPinContext {
    std::wstring tempFolder;     // %Temp%
    std::wstring appDataFolder;  // %AppDataDir%
    DWORD majorVersion = 0;      // the running Windows
    DWORD minorVersion = 0;
    ShellVerbRunner runVerb = RunShellVerb;
};

// Pins the pin command's program to the taskbar through a temporary link. Called only when
// the pin command is not empty and the installation is not portable; does nothing outside
// the versions TaskbarPinAllowed names.
void PinToTaskbar(const std::wstring& command, const std::wstring& name, const ShortcutNameValues& values,
                  const TaskbarPinContext& context, const ShortcutServices& services,
                  const MessageTable& messages, InstallLog& log, FailureList& failures,
                  UninstallData& uninstallData);

// The path of the pinned link the system keeps for a name, as recorded for removal.
std::wstring PinnedLinkPath(const std::wstring& appDataFolder, const std::wstring& name);

}  // namespace vantrel
