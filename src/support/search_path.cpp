#include "support/search_path.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "format/path_join.h"
#include "support/file_system.h"
#include "support/registry_key.h"

namespace vantrel {
namespace {

bool EndsWithIgnoringCase(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && FoldCase(text.substr(text.size() - end.size())) == FoldCase(end);
}

// The stored value split into its text (up to the first zero) and what follows it.
struct StoredPath {
    DWORD type = 0;
    std::wstring text;
    std::vector<BYTE> tail;
};

bool ReadStoredPath(const RegistryKey& key, const wchar_t* name, StoredPath& stored) {
    std::vector<BYTE> data;
    if (!key.ReadValue(name, stored.type, data))
        return false;
    if (stored.type != REG_SZ && stored.type != REG_EXPAND_SZ)
        return false;
    const std::size_t units = data.size() / sizeof(wchar_t);
    stored.text.assign(units, L'\0');
    std::memcpy(stored.text.data(), data.data(), units * sizeof(wchar_t));
    const std::size_t end = stored.text.find(L'\0');
    const std::size_t textUnits = end == std::wstring::npos ? units : end;
    stored.text.resize(textUnits);
    stored.tail.assign(data.begin() + static_cast<std::ptrdiff_t>(textUnits * sizeof(wchar_t)), data.end());
    return true;
}

bool WriteStoredPath(RegistryKey& key, const wchar_t* name, const StoredPath& stored) {
    std::vector<BYTE> data(stored.text.size() * sizeof(wchar_t));
    std::memcpy(data.data(), stored.text.data(), data.size());
    data.insert(data.end(), stored.tail.begin(), stored.tail.end());
    return key.SetValue(name, stored.type, data.data(), static_cast<DWORD>(data.size()));
}

template <class Edit>
SearchPathChange EditSearchPath(const SearchPathLocation& location, Edit&& edit) {
    RegistryKey key;
    if (key.Open(location.root, location.keyPath, registry_option::kOpenOnly, kRegistryStepAccess) ==
        RegistryOpen::kFailed)
        return SearchPathChange::kUnchanged;
    StoredPath stored;
    if (!ReadStoredPath(key, location.valueName, stored) || stored.text.empty())
        return SearchPathChange::kUnchanged;
    std::optional<std::wstring> changed = edit(stored.text);
    if (!changed)
        return SearchPathChange::kUnchanged;
    stored.text = std::move(*changed);
    return WriteStoredPath(key, location.valueName, stored) ? SearchPathChange::kChanged
                                                            : SearchPathChange::kFailed;
}

}  // namespace

std::optional<std::wstring> SearchPathWithFolder(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty())
        return std::nullopt;
    if (FoldCase(path).find(FoldCase(folder + L";")) != std::wstring::npos ||
        EndsWithIgnoringCase(path, folder))
        return std::nullopt;
    // Always a separator of its own, even after a trailing one: the removal takes the separator
    // before the entry, so the value comes back byte for byte whatever it ended with.
    std::wstring result = path;
    if (!result.empty())
        result += L';';
    result += folder;
    return result;
}

std::optional<std::wstring> SearchPathWithoutFolder(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty())
        return std::nullopt;
    const std::wstring wanted = FoldCase(folder);
    // The entries as [begin, end) ranges; the last equal one is the one the installation added.
    std::optional<std::pair<std::size_t, std::size_t>> found;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(L';', begin), path.size());
        if (FoldCase(path.substr(begin, end - begin)) == wanted)
            found = std::make_pair(begin, end);
        if (end == path.size())
            break;
        begin = end + 1;
    }
    if (!found)
        return std::nullopt;
    auto [entryBegin, entryEnd] = *found;
    // Take the separator before the entry; the first entry takes the one after it instead.
    if (entryBegin > 0)
        --entryBegin;
    else if (entryEnd < path.size())
        ++entryEnd;
    return path.substr(0, entryBegin) + path.substr(entryEnd);
}

SearchPathChange AddFolderToSearchPath(const std::wstring& folder, const SearchPathLocation& location) {
    return EditSearchPath(location,
                          [&](const std::wstring& text) { return SearchPathWithFolder(text, folder); });
}

SearchPathChange RemoveFolderFromSearchPath(const std::wstring& folder, const SearchPathLocation& location) {
    return EditSearchPath(location,
                          [&](const std::wstring& text) { return SearchPathWithoutFolder(text, folder); });
}

std::wstring SearchPathFolderOf(const std::wstring& installDir, const std::wstring& subfolder) {
    if (subfolder.empty())
        return installDir;
    const bool absolute = (subfolder.size() >= 2 && subfolder[1] == L':') || subfolder.rfind(L"\\\\", 0) == 0;
    return absolute ? subfolder : PathJoin(installDir, subfolder);
}

}  // namespace vantrel
