#include "support/shell_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "format/ascii.h"
#include "format/os_version.h"
#include "format/path_join.h"
#include "support/environment.h"
#include "support/os_info.h"
#include "support/registry_text.h"
#include "support/system_library.h"
#include "support/unique_memory.h"

namespace vantrel {
namespace {

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

using SpecialFolderPathFunction = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
using KnownFolderPathFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

struct ShellFunctions {
    SpecialFolderPathFunction specialFolderPath = nullptr;
    KnownFolderPathFunction knownFolderPath = nullptr;
};

// Looked up at first use; either may be missing on old Windows versions.
const ShellFunctions& Shell() {
    static const ShellFunctions functions = [] {
        ShellFunctions found;
        const HMODULE shell32 = LoadSystemLibrary(L"shell32.dll");
        found.specialFolderPath =
            ModuleFunction<SpecialFolderPathFunction>(shell32, "SHGetSpecialFolderPathW");
        found.knownFolderPath = ModuleFunction<KnownFolderPathFunction>(shell32, "SHGetKnownFolderPath");
        return found;
    }();
    return functions;
}

std::wstring SpecialFolder(int csidl) {
    const SpecialFolderPathFunction function = Shell().specialFolderPath;
    if (function == nullptr)
        return {};
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!function(nullptr, buffer, csidl, FALSE))
        return {};
    return buffer;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    const KnownFolderPathFunction function = Shell().knownFolderPath;
    if (function == nullptr)
        return {};
    UniqueTaskMemory<PWSTR> path;
    if (SUCCEEDED(function(id, 0, nullptr, path.Receive())) && path.Get() != nullptr)
        return path.Get();
    return {};
}

std::wstring MachineShellFolder(const wchar_t* name) {
    return RegistryFolderText(ReadRegistryText(HKEY_LOCAL_MACHINE, kShellFolders, name));
}

std::wstring UserShellFolder(const wchar_t* name) {
    return RegistryFolderText(ReadRegistryText(HKEY_CURRENT_USER, kShellFolders, name));
}

std::wstring MachineCurrentVersionValue(const wchar_t* name) {
    return RegistryFolderText(ReadRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersion, name));
}

// The first non-empty of the given sources.
template <typename... Sources>
std::wstring FirstOf(Sources&&... sources) {
    std::wstring result;
    ((result.empty() ? (void)(result = sources()) : (void)0), ...);
    return result;
}

std::wstring WithoutX86(std::wstring path) {
    const std::size_t at = path.find(L" (x86)");
    if (at != std::wstring::npos)
        path.erase(at, 6);
    return path;
}

}  // namespace

std::wstring SpecialFolderPath(int csidl) {
    return SpecialFolder(csidl);
}

std::wstring KnownFolderPath(const GUID& id) {
    return KnownFolder(id);
}

std::wstring RegistryFolderText(std::wstring text) {
    if (text.size() >= 4 && text.back() == L'\\')
        text.pop_back();
    return text;
}

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    if (length != 0 && length < MAX_PATH)
        return std::wstring(buffer, length);
    return PathJoin(WindowsFolder(), CurrentOs().platformId == os_platform::kNt ? L"System32" : L"System");
}

std::wstring ProgramFilesFolder(FolderView view) {
    switch (view) {
        case FolderView::k32Bit:
            return FirstOf([] { return SpecialFolder(CSIDL_PROGRAM_FILESX86); },
                           [] { return KnownFolder(FOLDERID_ProgramFilesX86); },
                           [] { return EnvironmentVariable(L"ProgramFiles(x86)"); });
        case FolderView::k64Bit:
            return FirstOf([] { return KnownFolder(FOLDERID_ProgramFilesX64); },
                           [] { return EnvironmentVariable(L"ProgramW6432"); },
                           [] { return WithoutX86(ProgramFilesFolder(FolderView::k32Bit)); });
        case FolderView::kDefault:
            break;
    }
    return FirstOf([] { return SpecialFolder(CSIDL_PROGRAM_FILES); },
                   [] { return KnownFolder(FOLDERID_ProgramFiles); },
                   [] { return MachineCurrentVersionValue(L"ProgramFilesDir"); },
                   [] { return std::wstring(L"c:\\Program Files"); });
}

std::wstring CommonFilesFolder(FolderView view) {
    switch (view) {
        case FolderView::k32Bit:
            return FirstOf([] { return SpecialFolder(CSIDL_PROGRAM_FILES_COMMONX86); },
                           [] { return KnownFolder(FOLDERID_ProgramFilesCommonX86); },
                           [] { return EnvironmentVariable(L"CommonProgramFiles(x86)"); });
        case FolderView::k64Bit:
            return FirstOf([] { return KnownFolder(FOLDERID_ProgramFilesCommonX64); },
                           [] { return EnvironmentVariable(L"CommonProgramW6432"); },
                           [] { return WithoutX86(CommonFilesFolder(FolderView::k32Bit)); });
        case FolderView::kDefault:
            break;
    }
    return FirstOf([] { return SpecialFolder(CSIDL_PROGRAM_FILES_COMMON); },
                   [] { return KnownFolder(FOLDERID_ProgramFilesCommon); },
                   [] { return MachineCurrentVersionValue(L"CommonFilesDir"); },
                   [] { return PathJoin(ProgramFilesFolder(FolderView::kDefault), L"Common Files"); });
}

std::wstring AppDataAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_APPDATA); },
                   [] { return MachineShellFolder(L"Common AppData"); },
                   [] { return CommonFilesFolder(FolderView::kDefault); });
}

std::wstring AppDataFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_APPDATA); }, [] { return UserShellFolder(L"AppData"); },
                   [] { return CommonFilesFolder(FolderView::kDefault); });
}

std::wstring BootDrive() {
    const std::wstring bootDir = ReadRegistryText(
        HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Setup", L"BootDir");
    wchar_t letter = L'C';
    if (bootDir.size() >= 2 && bootDir[1] == L':' && IsCharAlphaW(bootDir[0])) {
        letter = AsciiUpper(bootDir[0]);
    }
    return std::wstring{letter, L':'};
}

std::wstring DesktopAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY); },
                   [] { return MachineShellFolder(L"Common Desktop"); }, [] { return DesktopFolder(); });
}

std::wstring DesktopFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_DESKTOPDIRECTORY); },
                   [] { return UserShellFolder(L"Desktop"); },
                   [] { return PathJoin(WindowsFolder(), L"Desktop"); });
}

std::wstring DeviceFolder() {
    std::wstring path = ReadRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersion, L"DevicePath");
    const std::size_t semicolon = path.find(L';');
    if (semicolon != std::wstring::npos)
        path.resize(semicolon);
    const std::wstring token = L"%SystemRoot%";
    if (path.size() >= token.size()) {
        for (std::size_t at = 0; at + token.size() <= path.size(); ++at) {
            if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path.data() + at,
                               static_cast<int>(token.size()), token.data(),
                               static_cast<int>(token.size())) == CSTR_EQUAL) {
                std::wstring expanded = token;
                if (ExpandEnvironmentText(expanded) && !expanded.empty() && expanded != token) {
                    path.replace(at, token.size(), expanded);
                }
                break;
            }
        }
    }
    if (path.empty())
        return PathJoin(WindowsFolder(), L"INF");
    return RegistryFolderText(path);
}

std::wstring DocumentAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_DOCUMENTS); },
                   [] { return MachineShellFolder(L"Common Documents"); }, [] { return DocumentFolder(); });
}

std::wstring DocumentFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_PERSONAL); }, [] { return UserShellFolder(L"Personal"); },
                   [] { return std::wstring(L"c:\\My Documents"); });
}

std::wstring FavoritesAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_FAVORITES); },
                   [] { return MachineShellFolder(L"Common Favorites"); }, [] { return FavoritesFolder(); });
}

std::wstring FavoritesFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_FAVORITES); },
                   [] { return UserShellFolder(L"Favorites"); },
                   [] { return PathJoin(WindowsFolder(), L"Favorites"); });
}

std::wstring FontFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_FONTS); }, [] { return UserShellFolder(L"Fonts"); },
                   [] { return PathJoin(WindowsFolder(), L"Fonts"); });
}

std::wstring InetpubFolder() {
    std::wstring root = ReadRegistryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\INetStp", L"PathWWWRoot");
    if (!root.empty() && !ExpandEnvironmentText(root))
        root.clear();
    if (root.empty())
        root = L"c:\\Inetpub\\wwwroot";
    return WithoutTrailingBackslash(WithoutLastComponent(WithoutTrailingBackslash(root)));
}

std::wstring MediaFolder() {
    return FirstOf([] { return MachineCurrentVersionValue(L"MediaPath"); },
                   [] { return PathJoin(WindowsFolder(), L"Media"); });
}

std::wstring SMProgramsAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_PROGRAMS); },
                   [] { return MachineShellFolder(L"Common Programs"); },
                   [] { return WithoutLastComponent(MachineShellFolder(L"Common Startup")); },
                   [] { return SMProgramsFolder(); });
}

std::wstring SMProgramsFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_PROGRAMS); }, [] { return UserShellFolder(L"Programs"); },
                   [] { return PathJoin(StartMenuFolder(), L"Programs"); });
}

std::wstring StartMenuAllFolder() {
    return FirstOf(
        [] { return SpecialFolder(CSIDL_COMMON_STARTMENU); },
        [] { return MachineShellFolder(L"Common Start Menu"); },
        [] { return WithoutLastComponent(WithoutLastComponent(MachineShellFolder(L"Common Startup"))); },
        [] { return StartMenuFolder(); });
}

std::wstring StartMenuFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_STARTMENU); },
                   [] { return UserShellFolder(L"Start Menu"); },
                   [] { return PathJoin(WindowsFolder(), L"Start Menu"); });
}

std::wstring StartupAllFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_COMMON_STARTUP); },
                   [] { return MachineShellFolder(L"Common Startup"); }, [] { return StartupFolder(); });
}

std::wstring StartupFolder() {
    return FirstOf([] { return SpecialFolder(CSIDL_STARTUP); }, [] { return UserShellFolder(L"Startup"); },
                   [] { return PathJoin(SMProgramsFolder(), L"StartUp"); });
}

}  // namespace vantrel
