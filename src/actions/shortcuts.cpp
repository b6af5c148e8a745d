#include "actions/shortcuts.h"

#include <shellapi.h>

#include <cwctype>

#include "actions/guarded_step.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/ansi_text.h"
#include "support/folder_tree.h"
#include "support/shell_link.h"
#include "support/system_info.h"
#include "support/whole_file.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

constexpr std::size_t kMessageDefaultShortcutName = 38;

std::wstring Trimmed(std::wstring_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::iswspace(text[first]))
        ++first;
    while (last > first && std::iswspace(text[last - 1]))
        --last;
    return std::wstring(text.substr(first, last - first));
}

std::wstring TrimmedLeft(std::wstring_view text) {
    std::size_t first = 0;
    while (first < text.size() && std::iswspace(text[first]))
        ++first;
    return std::wstring(text.substr(first));
}

bool EndsWithLinkExtension(const std::wstring& path) {
    return path.size() >= 4 &&
           CompareStringOrdinal(path.c_str() + path.size() - 4, 4, L".LNK", 4, TRUE) == CSTR_EQUAL;
}

std::wstring WithLinkExtension(const std::wstring& path, const wchar_t* extension) {
    return EndsWithLinkExtension(path) ? path : path + extension;
}

void Expand(const ShortcutServices& services, std::wstring& text) {
    if (services.expand)
        services.expand(text);
}

// Replaces every occurrence of `token`, letter case aside.
void ReplaceNoCase(std::wstring& text, std::wstring_view token, const std::wstring& value) {
    std::size_t at = 0;
    while (at + token.size() <= text.size()) {
        if (CompareStringOrdinal(text.c_str() + at, static_cast<int>(token.size()), token.data(),
                                 static_cast<int>(token.size()), TRUE) == CSTR_EQUAL) {
            text.replace(at, token.size(), value);
            at += value.size();
        } else {
            ++at;
        }
    }
}

std::wstring NameWithValues(std::wstring name, const ShortcutNameValues& values,
                            const ShortcutServices& services) {
    ReplaceNoCase(name, L"<product>", values.product);
    ReplaceNoCase(name, L"<description>", values.description);
    ReplaceNoCase(name, L"<os>", values.windowsFolder);
    Expand(services, name);
    return name;
}

bool IsAbsolute(const std::wstring& path) {
    return path.size() >= 2 && (path[1] == L':' || (path[0] == L'\\' && path[1] == L'\\'));
}

// The product's desktop folder, its icon and Desktop.ini, made before its first link.
void PrepareDesktopFolder(const ShortcutPlaces& places, const ShortcutOptions& options, FailureList& failures,
                          UninstallData& uninstallData) {
    const std::wstring& folder = places.desktopShortcuts;
    if (!CreateFolderTree(folder)) {
        failures.Append(
            FormatText(L"Failed to create folder %s: %s\r\n\r\n", {folder, SystemErrorText(GetLastError())}));
    }
    const std::wstring desktopIni = PathJoin(folder, L"Desktop.ini");
    uninstallData.RecordRemoval(desktopIni, RemovalKind::kFile);
    uninstallData.RecordRemoval(folder, RemovalKind::kFolder);
    if (options.desktopFolderIcon.empty())
        return;
    const std::wstring iconPath = PathJoin(places.uninstallDir, L"Desktop Icon.ico");
    if (!WriteWholeFile(iconPath, options.desktopFolderIcon)) {
        failures.Append(FormatText(L"Failed to create Desktop shortcut folder icon \"%s\"\r\n", {iconPath}));
        return;
    }
    WritePrivateProfileStringW(L".ShellClassInfo", L"IconFile", iconPath.c_str(), desktopIni.c_str());
    WritePrivateProfileStringW(L".ShellClassInfo", L"IconIndex", L"0", desktopIni.c_str());
    // Flush the profile cache so the file is complete before its attributes change.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, desktopIni.c_str());
    uninstallData.RecordRemoval(iconPath, RemovalKind::kFile);
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(folder.c_str(), folderAttributes | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW(desktopIni.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// An entry after the variables, defaults and absolute paths are applied.
struct PreparedShortcut {
    std::wstring target;
    std::wstring name;
    std::wstring icon;
    std::wstring arguments;
    std::wstring workingFolder;
    unsigned flags = 0;
};

PreparedShortcut Prepare(const ShortcutListEntry& entry, const ShortcutPlaces& places,
                         const ShortcutOptions& options, const ShortcutServices& services,
                         const MessageTable& messages, InstallLog& log) {
    PreparedShortcut prepared;
    prepared.target = entry.target;
    prepared.arguments = entry.arguments;
    Expand(services, prepared.arguments);
    // "~" and a quoted program at the start of the arguments name the real target.
    if (prepared.arguments.starts_with(L"~\"")) {
        const std::wstring rest = prepared.arguments.substr(2);
        const std::size_t quote = rest.find(L'"');
        prepared.target = rest.substr(0, quote);
        prepared.arguments =
            quote == std::wstring::npos ? std::wstring() : TrimmedLeft(rest.substr(quote + 1));
    }
    prepared.icon =
        entry.icon.empty() || IsAbsolute(entry.icon) ? entry.icon : PathJoin(places.uninstallDir, entry.icon);

    prepared.workingFolder = entry.workingFolder;
    Expand(services, prepared.workingFolder);
    prepared.workingFolder = Trimmed(prepared.workingFolder);
    if (prepared.workingFolder.empty())
        prepared.workingFolder = places.installDir;
    if (!FolderExists(prepared.workingFolder))
        log.WriteLogPieces({L"Shortcut folder \"", prepared.workingFolder, L"\" doesn't exist.\r\n"});

    if (entry.expandTarget)
        Expand(services, prepared.target);
    if (prepared.target.find(L':') == std::wstring::npos)
        prepared.target = PathJoin(places.installDir, prepared.target);

    prepared.name = entry.name.empty() ? FormatText(messages.Text(kMessageDefaultShortcutName),
                                                    {FileNameOf(prepared.target)})
                                       : entry.name;
    if (options.allUsers)
        prepared.flags |= link_flags::kAllUsers;
    if (entry.showMode == 1)
        prepared.flags |= link_flags::kMinimized;
    else if (entry.showMode == 2)
        prepared.flags |= link_flags::kMaximized;
    return prepared;
}

// One link of an entry, with its status line, log line, records and failure entry.
void MakeLink(const ShortcutListEntry& entry, const PreparedShortcut& shortcut, std::wstring linkPath,
              const wchar_t* logFormat, bool recordFolder, const ShortcutOptions& options,
              const ShortcutServices& services, const MessageTable& messages, InstallLog& log,
              FailureList& failures, UninstallData& uninstallData) {
    if (options.showLinkInStatus && services.showStatus)
        services.showStatus(WithLinkExtension(linkPath, L".lnk"));
    bool made = false;
    if (StepCrashed([&] {
            made = services.makeLink(linkPath, shortcut.target, shortcut.arguments, shortcut.workingFolder,
                                     shortcut.icon, shortcut.flags);
        })) {
        log.WriteLog(std::wstring_view(L"CRASHED!\r\n"));
        return;
    }
    if (!made) {
        if (!entry.quiet)
            AddFailure(failures, messages, linkPath);
        return;
    }
    if (options.detailedLog)
        log.WriteLogFormat(std::wstring_view(logFormat), {shortcut.name, linkPath});
    if (entry.noRecord)
        return;
    uninstallData.RecordRemoval(linkPath, RemovalKind::kFile);
    if (recordFolder || shortcut.name.find(L'\\') != std::wstring::npos)
        uninstallData.RecordRemoval(FolderOf(linkPath), RemovalKind::kFolder);
}

}  // namespace

bool CreateShellLink(std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                     const std::wstring& workingFolder, const std::wstring& icon, unsigned flags) {
    if (target.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ShellLinkContent content;
    content.target = target;
    content.iconPath = icon;
    content.arguments = arguments;
    if ((flags & link_flags::kMinimized) != 0)
        content.showCommand = SW_SHOWMINNOACTIVE;
    else if ((flags & link_flags::kMaximized) != 0)
        content.showCommand = SW_SHOWMAXIMIZED;
    std::wstring folder = Trimmed(workingFolder);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.size() == 2 && folder[1] == L':' && std::iswalpha(folder[0]))
        folder += L'\\';
    content.workingFolder = folder;

    linkPath = WithLinkExtension(linkPath, L".LNK");
    const std::wstring linkFolder = FolderOf(linkPath);
    if (!linkFolder.empty() && !CreateFolderTree(linkFolder))
        return false;
    const HRESULT result = SaveShellLink(linkPath, content);
    if (FAILED(result)) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return true;
}

void CreateShortcuts(const std::vector<ShortcutListEntry>& entries, const ShortcutPlaces& places,
                     const ShortcutOptions& options, const ShortcutServices& services,
                     ShortcutRunState& state, const MessageTable& messages, InstallLog& log,
                     FailureList& failures, UninstallData& uninstallData) {
    for (const ShortcutListEntry& entry : entries) {
        const PreparedShortcut shortcut = Prepare(entry, places, options, services, messages, log);
        const auto make = [&](const std::wstring& folder, const wchar_t* format, bool recordFolder) {
            MakeLink(entry, shortcut, PathJoin(folder, shortcut.name), format, recordFolder, options,
                     services, messages, log, failures, uninstallData);
        };
        if (entry.desktop) {
            if (!places.desktopShortcuts.empty()) {
                if (!state.desktopFolderPrepared) {
                    PrepareDesktopFolder(places, options, failures, uninstallData);
                    state.desktopFolderPrepared = true;
                }
                make(places.desktopShortcuts, L"Desktop Folder Shortcut(%s) >>> %s\r\n", false);
            } else {
                make(places.desktop, L"Desktop Shortcut(%s) >>> %s\r\n", false);
            }
        }
        if (entry.startMenu) {
            make(places.startMenu, L"Start Menu Shortcut(%s) >>> %s\r\n", false);
            if (!places.extraStartMenu.empty() &&
                CompareStringOrdinal(places.extraStartMenu.c_str(), -1, places.startMenu.c_str(), -1, TRUE) !=
                    CSTR_EQUAL)
                make(places.extraStartMenu, L"Start Menu Shortcut(%s) >>> %s\r\n", false);
        }
        if (entry.startup)
            make(places.startup, L"Startup Shortcut(%s) >>> %s\r\n", false);
        if (!entry.customFolder.empty()) {
            std::wstring folder = DecodeText(entry.customFolder, AnsiCodePageToUtf16);
            Expand(services, folder);
            make(folder, L"Shortcut(%s) >>> %s\r\n", true);
        }
    }
}

void CreateRootShortcut(const std::wstring& command, const std::wstring& name,
                        const ShortcutNameValues& values, const ShortcutPlaces& places, bool detailedLog,
                        const ShortcutServices& services, const MessageTable& messages, InstallLog& log,
                        FailureList& failures, UninstallData& uninstallData) {
    const bool crashed = StepCrashed([&] {
        const std::wstring linkName = NameWithValues(name, values, services);
        std::wstring expanded = command;
        Expand(services, expanded);
        const wchar_t drive = places.installDir.empty() ? L'C' : places.installDir[0];
        std::wstring linkPath = std::wstring(1, drive) + L":\\" + linkName + L".lnk";

        // The first token (a quoted part with its quotes, or up to the first blank) is the
        // program; what follows it is the arguments.
        std::wstring rest = TrimmedLeft(expanded);
        std::wstring token;
        if (rest.starts_with(L'"')) {
            const std::size_t close = rest.find(L'"', 1);
            token = close == std::wstring::npos ? rest : rest.substr(0, close + 1);
        } else {
            token = rest.substr(0, rest.find(L' '));
        }
        rest.erase(0, token.size());
        if (token.size() >= 2 && token.front() == L'"' && token.back() == L'"')
            token = token.substr(1, token.size() - 2);
        const std::wstring target = L"\"" + token + L"\"";
        if (services.makeLink(linkPath, target, rest, places.installDir, std::wstring(), 0)) {
            if (detailedLog)
                log.WriteLogFormat(std::wstring_view(L"Root Shortcut(%s) >>> %s\r\n"), {linkName, linkPath});
            uninstallData.RecordRemoval(linkPath, RemovalKind::kFile);
        } else {
            AddFailure(failures, messages, linkPath);
        }
    });
    if (crashed)
        failures.Append(L"Crash while installing root shortcut.\r\n");
}

bool TaskbarPinAllowed(DWORD majorVersion, DWORD minorVersion) {
    return majorVersion < 10 && (majorVersion > 6 || (majorVersion == 6 && minorVersion >= 1));
}

std::intptr_t RunShellVerb(const std::wstring& linkPath, const wchar_t* verb) {
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteW(nullptr, verb, linkPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

std::wstring PinnedLinkPath(const std::wstring& appDataFolder, const std::wstring& name) {
    return PathJoin(
        PathJoin(appDataFolder, L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar"),
        name + L".lnk");
}

void PinToTaskbar(const std::wstring& command, const std::wstring& name, const ShortcutNameValues& values,
                  const TaskbarPinContext& context, const ShortcutServices& services,
                  const MessageTable& messages, InstallLog& log, FailureList& failures,
                  UninstallData& uninstallData) {
    if (!TaskbarPinAllowed(context.majorVersion, context.minorVersion))
        return;
    // Outside the guard, so that a crash in the verb still removes the temporary link.
    std::wstring linkPath;
    const bool crashed = StepCrashed([&] {
        std::wstring expanded = command;
        Expand(services, expanded);
        std::wstring target = expanded;
        std::wstring arguments;
        if (expanded.starts_with(L'"')) {
            const std::size_t close = expanded.find(L'"', 1);
            if (close != std::wstring::npos) {
                target = expanded.substr(1, close - 1);
                arguments = TrimmedLeft(expanded.substr(close + 1));
            }
        }
        const std::wstring linkName = name.empty() ? values.product : NameWithValues(name, values, services);
        if (services.showStatus)
            services.showStatus(L"Pin to taskbar");
        linkPath = PathJoin(context.tempFolder, linkName);
        if (!services.makeLink(linkPath, target, arguments, std::wstring(), std::wstring(), 0)) {
            AddFailure(failures, messages, linkPath);
            return;
        }
        const std::intptr_t result = context.runVerb ? context.runVerb(linkPath, L"taskbarpin") : 0;
        const bool pinned = result > 32;
        const DWORD error = pinned ? 0 : GetLastError();
        log.WriteLogFormat(std::wstring_view(L"Pin to taskbar(%s): %s\r\n"),
                           {target, pinned ? L"OK" : L"FAIL"});
        if (!pinned)
            log.WriteLogPieces({SystemErrorText(error), L"\r\n"});
        DeleteFileW(linkPath.c_str());
        uninstallData.RecordRemoval(PinnedLinkPath(context.appDataFolder, linkName), RemovalKind::kFile);
    });
    if (crashed) {
        if (!linkPath.empty())
            DeleteFileW(WithLinkExtension(linkPath, L".LNK").c_str());
        failures.Append(L"Crash while pinning to taskbar.\r\n");
    }
}

}  // namespace vantrel
