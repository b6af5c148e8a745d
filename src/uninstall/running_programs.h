#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "format/uninstall_data_file.h"

namespace vantrel {

// The programs an uninstallation closes before it removes their files, found by the title
// and class of their top-level windows.

// A pattern that begins with "*" matches any text that contains the rest; any other pattern
// must match in full. An empty pattern is not tested, but an entry with two empty patterns
// matches nothing.
bool AutoCloseMatches(const AutoCloseEntry& entry, const std::wstring& title, const std::wstring& className);

// The entry that acts on a window in the first pass: the first whose phase mask holds 2 and
// whose patterns match the window's title and class; none when no entry does.
const AutoCloseEntry* FirstPassEntry(const std::vector<AutoCloseEntry>& entries, const std::wstring& title,
                                     const std::wstring& className);

// First pass: every window of another process that its FirstPassEntry names is closed (action 0: WM_CLOSE, 1:
// WM_QUIT, after showing it) or its process ended (action 3). One action per window.
void CloseRunningPrograms(const std::vector<AutoCloseEntry>& entries);

// Second pass: for each entry of phase 4, while a window it names is still there, `askRetry`
// is asked with the program's name; false (Cancel) stops and returns false.
bool WaitForProgramsToClose(const std::vector<AutoCloseEntry>& entries,
                            const std::function<bool(const std::wstring& programName)>& askRetry);

}  // namespace vantrel
