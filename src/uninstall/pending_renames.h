#pragma once

#include <set>
#include <string>
#include <vector>

#include <windows.h>

namespace vantrel {

class InstallLog;

// The system's list of operations for the next restart ("PendingFileRenameOperations",
// pairs of source and target; an empty target deletes the source), cleaned of the entries
// that the files just deleted or written make pointless.

// What cleaning one list did.
struct PendingRenameCleanup {
    std::vector<std::wstring> kept;              // the list to write back
    std::vector<std::wstring> droppedMoves;      // targets of dropped moves, for the log
    std::vector<std::wstring> droppedDeletions;  // sources of dropped deletions, for the log
    std::vector<std::wstring> waitingSources;    // temporary files of dropped moves: to the Recycle Bin
    std::vector<std::wstring> logLines;          // one per dropped entry, in list order
    bool changed = false;
};

// The name form in which entries are compared: without leading "\", "?" and "!", ASCII
// letters in lower case.
std::wstring PendingRenameName(const std::wstring& entry);

// Cleans one list. `names` holds full paths in PendingRenameName form. An odd list gets an
// empty last string first, so that it consists of pairs.
PendingRenameCleanup CleanPendingRenameList(std::vector<std::wstring> list,
                                            const std::set<std::wstring>& names);

// Where the list lives; tests point it elsewhere.
struct PendingRenameLocation {
    HKEY root = HKEY_LOCAL_MACHINE;
    const wchar_t* keyPath = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const wchar_t* valueName = L"PendingFileRenameOperations";
};

// Reads the list, cleans it of `deletedFiles` (full paths, any letter case), moves the
// waiting temporary files of dropped moves to the Recycle Bin and writes the list back when
// anything was dropped. `log` is given during installation only: an empty line first, then
// one line per dropped entry. Returns false when the list could not be written back.
bool CleanPendingRenames(const std::vector<std::wstring>& deletedFiles, InstallLog* log,
                         const PendingRenameLocation& location = {});

}  // namespace vantrel
