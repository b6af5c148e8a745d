#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "support/restart_operations.h"
#include "uninstall/pending_renames.h"

namespace vantrel::test {

// The restart list of the test prefix holds an entry for the path.
inline bool PendingListHolds(const std::wstring& path) {
    std::vector<std::wstring> list;
    const PendingRenameLocation location;
    if (!ReadMultiStringValue(location.root, location.keyPath, location.valueName, list))
        return false;
    const std::wstring wanted = PendingRenameName(path);
    return std::any_of(list.begin(), list.end(),
                       [&](const std::wstring& entry) { return PendingRenameName(entry) == wanted; });
}

// Takes what a test registered out of the prefix's restart list again (nothing goes to the
// Recycle Bin: under Wine that is the host's trash).
inline void ForgetPendingOperations(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> list;
    const PendingRenameLocation location;
    if (!ReadMultiStringValue(location.root, location.keyPath, location.valueName, list))
        return;
    std::set<std::wstring> names;
    for (const std::wstring& path : paths)
        names.insert(PendingRenameName(path));
    const PendingRenameCleanup cleanup = CleanPendingRenameList(list, names);
    if (cleanup.changed)
        WriteMultiStringValue(location.root, location.keyPath, location.valueName, cleanup.kept);
}

struct PendingListCleanup {
    std::vector<std::wstring> paths;
    ~PendingListCleanup() { ForgetPendingOperations(paths); }
};

}  // namespace vantrel::test
