#include <windows.h>

#include <vector>

#include "actions/shortcut_list.h"
#include "actions/shortcuts.h"
#include "engine/install_actions.h"
#include "context/installer_variables.h"
#include "engine/install_actions_steps.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/temp_file_name.h"

namespace vantrel {
namespace {

using namespace product_flags;

// ProductFlags2: no shortcuts for a portable installation; the uninstaller's shortcut in the
// installation folder.
constexpr std::uint32_t kNoShortcutsWhenPortable = 0x800;
constexpr std::uint32_t kUninstallShortcutInInstallDir = 0x200000;

std::vector<ShortcutListEntry> ShortcutList(InstallRun& run) {
    const InstallSession& session = run.session;
    const Settings& settings = session.settings;
    std::vector<ShortcutListEntry> list;
    for (const ShortcutRecord& record : settings.shortcuts)
        list.push_back(SettingsShortcutEntry(record));
    for (const ShortcutEntry& file : run.extracted.shortcuts)
        list.push_back(FileShortcutEntry(file.target, file.flags, file.fromShortcutKind, file.name, file.icon,
                                         file.arguments, file.workingFolder));
    const std::uint32_t low = session.flags.low;
    const std::uint32_t high = session.flags.high;
    if ((low & kRegisterForUninstall) != 0) {
        UninstallerShortcutRequest request;
        request.uninstallDir = session.folders.uninstallDataDir;
        request.uninstallerPath =
            PathJoin(session.folders.uninstallDataDir, Windows1252ToUtf16(settings.uninstallerFileName));
        request.uninstallName =
            settings.uninstallKeyName.empty() ? session.product.name : settings.uninstallKeyName;
        request.name = run.Message(33);
        request.installDir = session.folders.installDir;
        request.iconData = settings.uninstallerIcon;
        request.inStartMenu = (low & kUninstallStartMenuShortcut) != 0;
        request.onDesktop = (high & kUninstallDesktopShortcut) != 0;
        request.inUninstallDir = (high & kUninstallShortcutInUninstallDir) != 0;
        request.inInstallDir = (run.Flags2() & kUninstallShortcutInInstallDir) != 0;
        AppendUninstallerShortcuts(list, request, run.Log(), run.uninstallData);
    }
    if ((high & kInstallLogShortcut) != 0)
        AppendInstallLogShortcut(list, session.InstallLogPath(), run.Message(86));
    return list;
}

ShortcutPlaces PlacesOf(InstallSession& session) {
    const bool allUsers = session.AllUsers();
    ShortcutPlaces places;
    places.desktop = allUsers ? DesktopAllFolder() : DesktopFolder();
    places.startMenu = StartMenuChosenFolder(session);
    // Windows 95 and 98 show only the user's Programs folder: an all-users shortcut gets a
    // copy there too.
    if (allUsers && CurrentOs().platformId == os_platform::kWindows) {
        const std::wstring& name = session.folders.startMenuFolderName.empty()
                                       ? session.product.name
                                       : session.folders.startMenuFolderName;
        const std::wstring own = PathJoin(SMProgramsFolder(), name);
        if (_wcsicmp(own.c_str(), places.startMenu.c_str()) != 0)
            places.extraStartMenu = own;
    }
    places.startup = allUsers ? StartupAllFolder() : StartupFolder();
    ChooseDesktopShortcutFolder(session);
    places.desktopShortcuts = session.folders.desktopShortcutDir;
    places.installDir = session.folders.installDir;
    places.uninstallDir = session.folders.uninstallDataDir;
    return places;
}

ShortcutNameValues NameValues(const InstallSession& session) {
    const std::wstring& display = session.settings.displayProductName;
    return {session.product.name, display.empty() ? session.product.name : display, WindowsFolder()};
}

}  // namespace

void ChooseDesktopShortcutFolder(InstallSession& session) {
    if (!session.folders.desktopShortcutDir.empty() || session.settings.desktopFolder.empty())
        return;
    std::wstring name = session.settings.desktopFolder;
    ExpandVariables(session, name);
    session.folders.desktopShortcutDir =
        PathJoin(session.AllUsers() ? DesktopAllFolder() : DesktopFolder(), name);
}

void RunShortcutStep(InstallRun& run, ActionCarry& carry) {
    InstallSession& session = run.session;
    const Settings& settings = session.settings;
    const bool portable = InstallsPortable(run);
    const ShortcutPlaces places = PlacesOf(session);
    ShortcutServices services;
    services.expand = RunExpander(run);
    services.showStatus = [&run](const std::wstring& text) { ShowActionStatus(run, text); };
    const bool detailedLog = (session.flags.low & kLogEachFile) != 0;

    const std::vector<ShortcutListEntry> list = ShortcutList(run);
    if (!list.empty() && (!portable || (run.Flags2() & kNoShortcutsWhenPortable) == 0)) {
        ShortcutOptions options;
        options.allUsers = session.AllUsers();
        options.detailedLog = detailedLog;
        options.showLinkInStatus = (session.flags.high & kHideFileNamesInProgress) == 0;
        options.desktopFolderIcon = settings.desktopFolderIcon;
        CreateShortcuts(list, places, options, services, carry.shortcuts, session.Messages(), run.Log(),
                        run.Failures(), run.uninstallData);
    }
    const ShortcutNameValues names = NameValues(session);
    if (!settings.rootShortcutTarget.empty() && portable)
        CreateRootShortcut(settings.rootShortcutTarget, settings.rootShortcutName, names, places, detailedLog,
                           services, session.Messages(), run.Log(), run.Failures(), run.uninstallData);
    if (!settings.pinCommand.empty() && !portable) {
        TaskbarPinContext context;
        context.tempFolder = TemporaryFolder();
        context.appDataFolder = AppDataFolder();
        context.majorVersion = CurrentOs().major;
        context.minorVersion = CurrentOs().minor;
        PinToTaskbar(settings.pinCommand, settings.pinName, names, context, services, session.Messages(),
                     run.Log(), run.Failures(), run.uninstallData);
    }
}

}  // namespace vantrel
