#include "support/protected_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "support/environment.h"
#include "support/registry_text.h"
#include "support/shell_folders.h"
#include "support/temp_file_name.h"

namespace vantrel {
namespace {

constexpr int kProtectedShellFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_FONTS,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_MYMUSIC,
    CSIDL_COMMON_MUSIC,
    CSIDL_MYPICTURES,
    CSIDL_COMMON_PICTURES,
    CSIDL_MYVIDEO,
    CSIDL_COMMON_VIDEO,
    CSIDL_FAVORITES,
    CSIDL_COMMON_FAVORITES,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_COMMON_STARTUP,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_COMMON_APPDATA,
    CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES,
    CSIDL_ADMINTOOLS,
    CSIDL_COMMON_ADMINTOOLS,
    CSIDL_SENDTO,
    CSIDL_RECENT,
    CSIDL_NETHOOD,
    CSIDL_PRINTHOOD,
    CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,
    CSIDL_HISTORY,
};

std::wstring SystemWow64Folder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemWow64DirectoryW(buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

std::wstring SystemTempPath() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

std::vector<std::wstring> SystemProtectedFolders() {
    std::vector<std::wstring> folders;
    for (const int csidl : kProtectedShellFolders)
        folders.push_back(SpecialFolderPath(csidl));
    for (const GUID* id :
         {&FOLDERID_Downloads, &FOLDERID_Public, &FOLDERID_UserProfiles, &FOLDERID_ProgramData,
          &FOLDERID_PublicDesktop, &FOLDERID_PublicDownloads, &FOLDERID_LocalAppDataLow, &FOLDERID_SavedGames,
          &FOLDERID_Links, &FOLDERID_Contacts})
        folders.push_back(KnownFolderPath(*id));
    folders.push_back(WindowsFolder());
    folders.push_back(SystemFolder());
    folders.push_back(SystemWow64Folder());
    for (const FolderView view : {FolderView::k32Bit, FolderView::k64Bit}) {
        folders.push_back(ProgramFilesFolder(view));
        folders.push_back(CommonFilesFolder(view));
    }
    folders.push_back(EnvironmentVariable(L"USERPROFILE"));
    folders.push_back(EnvironmentVariable(L"PUBLIC"));
    folders.push_back(EnvironmentVariable(L"ALLUSERSPROFILE"));
    std::wstring profiles =
        ReadRegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                         L"ProfilesDirectory");
    ExpandEnvironmentText(profiles);
    folders.push_back(profiles);
    folders.push_back(SystemTempPath());
    folders.push_back(TemporaryFolder());
    std::erase_if(folders, [](const std::wstring& folder) { return folder.empty(); });
    return folders;
}

}  // namespace vantrel
