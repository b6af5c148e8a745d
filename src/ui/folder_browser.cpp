#include "ui/folder_browser.h"

#include <windows.h>
#include <shlobj.h>

namespace vantrel {
namespace {

int CALLBACK SelectInitial(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0)
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

std::wstring PathOf(PCIDLIST_ABSOLUTE list) {
    wchar_t path[MAX_PATH] = {};
    if (list == nullptr || !SHGetPathFromIDListW(list, path))
        return {};
    return path;
}

std::wstring JoinBelow(const std::wstring& root, const std::wstring& relative) {
    if (root.empty() || relative.empty())
        return root.empty() ? relative : root;
    return root.back() == L'\\' ? root + relative : root + L"\\" + relative;
}

}  // namespace

std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& prompt,
                                            const std::wstring& initial, unsigned options) {
    int rootFolder = CSIDL_DESKTOP;
    switch (options & 0xFFFF) {
        case folder_browser::kComputerRoot:
            rootFolder = CSIDL_DRIVES;
            break;
        case folder_browser::kUserProgramsRoot:
            rootFolder = CSIDL_PROGRAMS;
            break;
        case folder_browser::kAllUsersProgramsRoot:
            rootFolder = CSIDL_COMMON_PROGRAMS;
            break;
        default:
            break;
    }
    PIDLIST_ABSOLUTE root = nullptr;
    if (rootFolder != CSIDL_DESKTOP)
        SHGetSpecialFolderLocation(owner, rootFolder, &root);
    const bool relative = (options & folder_browser::kRelativeToRoot) != 0;
    const std::wstring rootPath = relative ? PathOf(root) : std::wstring();
    const std::wstring start = relative ? JoinBelow(rootPath, initial) : initial;

    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = display;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = (options & folder_browser::kFileSystemOnly) != 0
                       ? BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE
                       : BIF_SHAREABLE;
    if ((options & folder_browser::kEditBox) != 0)
        info.ulFlags |= BIF_EDITBOX;
    info.lpfn = &SelectInitial;
    info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    std::optional<std::wstring> result;
    if (chosen != nullptr) {
        std::wstring path = PathOf(chosen);
        if (relative && !rootPath.empty() && path.size() >= rootPath.size() &&
            CompareStringOrdinal(path.c_str(), static_cast<int>(rootPath.size()), rootPath.c_str(),
                                 static_cast<int>(rootPath.size()), TRUE) == CSTR_EQUAL) {
            path.erase(0, rootPath.size());
            while (!path.empty() && path.front() == L'\\')
                path.erase(0, 1);
        }
        if (!path.empty() || relative)
            result = path;
        CoTaskMemFree(chosen);
    }
    if (root != nullptr)
        CoTaskMemFree(root);
    return result;
}

}  // namespace vantrel
