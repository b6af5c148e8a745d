#include "support/folder_tree.h"

#include <windows.h>

namespace vantrel {

bool FolderExists(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolderTree(const std::wstring& path) {
    std::wstring folder = path;
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (folder.empty())
        return false;
    if (FolderExists(folder))
        return true;
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) {
        const std::wstring parent = folder.substr(0, slash + (slash == 2 && folder[1] == L':' ? 1 : 0));
        // A UNC share root ("\\server\share") cannot be created; its absence fails below. A
        // drive root is its own parent: a missing drive must not recurse for ever.
        if (parent.size() > 2 && parent.size() < folder.size() && !FolderExists(parent))
            CreateFolderTree(parent);
    }
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && FolderExists(folder);
}

}  // namespace vantrel
