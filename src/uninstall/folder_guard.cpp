#include "uninstall/folder_guard.h"

#include <algorithm>

#include "format/path_canonical.h"
#include "support/file_system.h"
#include "support/protected_folders.h"
#include "support/system_info.h"

namespace vantrel {

std::wstring ComparablePath(const std::wstring& path) {
    std::wstring canonical = CanonicalPathText(path);
    if (!IsAbsolutePathText(canonical))
        canonical = CanonicalPathText(FullPathOf(canonical));
    // The long form turns 8.3 names ("PROGRA~1") into the names they stand for.
    canonical = CanonicalPathText(LongPathOf(canonical));
    return FoldCase(std::move(canonical));
}

bool IsRootPath(const std::wstring& comparablePath) {
    if (comparablePath.size() <= 3)
        return true;
    if (comparablePath.rfind(L"\\\\", 0) == 0) {
        const std::size_t server = comparablePath.find(L'\\', 2);
        return server == std::wstring::npos || comparablePath.find(L'\\', server + 1) == std::wstring::npos;
    }
    return false;
}

FolderGuard::FolderGuard(const std::vector<std::wstring>& protectedFolders) {
    for (const std::wstring& folder : protectedFolders)
        if (!folder.empty())
            protected_.push_back(ComparablePath(folder));
    std::sort(protected_.begin(), protected_.end());
    protected_.erase(std::unique(protected_.begin(), protected_.end()), protected_.end());
}

const FolderGuard& FolderGuard::System() {
    static const FolderGuard guard(SystemProtectedFolders());
    return guard;
}

bool FolderGuard::Refuses(const std::wstring& path) const {
    const std::wstring comparable = ComparablePath(path);
    if (IsRootPath(comparable))
        return true;
    return std::any_of(protected_.begin(), protected_.end(), [&](const std::wstring& folder) {
        return IsSameOrAncestorFolder(comparable, folder);
    });
}

}  // namespace vantrel
