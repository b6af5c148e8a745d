#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {

// The machine's search path: a product's folder added at installation and exactly that
// entry removed again at uninstallation. The value is read whole, however long it is, its
// type (REG_EXPAND_SZ or REG_SZ) is kept, and whatever followed the text in the stored data
// (its terminating zero) is kept too, so that adding and removing gives back the very bytes
// that were there.

// Where the value lives; tests point it elsewhere.
struct SearchPathLocation {
    HKEY root = HKEY_LOCAL_MACHINE;
    const wchar_t* keyPath = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    const wchar_t* valueName = L"Path";
};

// The path text with `folder` appended (";" first unless it already ends with one); nothing
// when the folder is already in it: `folder;` anywhere or the text ending with the folder,
// letter case aside.
std::optional<std::wstring> SearchPathWithFolder(const std::wstring& path, const std::wstring& folder);

// The path text without its last entry equal to `folder` (letter case aside) and the one
// separator that joined it; nothing when no entry is equal.
std::optional<std::wstring> SearchPathWithoutFolder(const std::wstring& path, const std::wstring& folder);

enum class SearchPathChange { kChanged, kUnchanged, kFailed };

// Adds the folder. kUnchanged when the key is missing, the value is missing or empty, or
// the folder is already there.
SearchPathChange AddFolderToSearchPath(const std::wstring& folder, const SearchPathLocation& location = {});
// Removes the folder's entry. kUnchanged when it is not there.
SearchPathChange RemoveFolderFromSearchPath(const std::wstring& folder,
                                            const SearchPathLocation& location = {});

// The folder of a product's search-path entry: the installation folder for an empty
// subfolder, an absolute subfolder as it is, otherwise the subfolder joined to it.
std::wstring SearchPathFolderOf(const std::wstring& installDir, const std::wstring& subfolder);

}  // namespace vantrel
