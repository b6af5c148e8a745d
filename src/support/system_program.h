#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {

// The system folder that holds the programs of the given bitness, seen from this 32-bit
// process: the redirected system folder for 32-bit programs; for 64-bit programs on a
// 64-bit Windows the "Sysnative" alias (or the system folder itself while file-system
// redirection is off).
std::wstring SystemFolderForBitness(bool sixtyFourBit);

// A system program (for example "regsvr32.exe") by its full path in that folder, so the
// search path and the installer's own folder never supply a planted copy.
std::wstring SystemProgramPath(const wchar_t* fileName, bool sixtyFourBit);

// Starts a program hidden (no window, no inherited handles) and waits for it, dispatching the
// window messages of this thread every 75 ms so the installer's windows stay responsive.
// Returns the exit code, or nothing when it could not be started (the error code stays).
std::optional<DWORD> RunHiddenAndWait(const std::wstring& program, const std::wstring& commandLine,
                                      const std::wstring& workingFolder);

}  // namespace vantrel
