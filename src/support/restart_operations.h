#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

// Work that Windows carries out at its next start, before programs can hold files open.
// Each returns false with the system error code in place.

// The system's delayed move: `target` empty deletes `source` at restart; otherwise
// `source` replaces `target` (an existing target is replaced).
bool DelayedMove(const std::wstring& source, const std::wstring& target);

// The old form: adds "<left>=<right>" to the [rename] section of "wininit.ini" in the given
// Windows folder, newest entry first. The names are written in the ANSI code page.
bool AddWininitEntry(const std::wstring& windowsFolder, const std::wstring& left, const std::wstring& right);

// True when "wininit.exe" exists in the Windows folder (the system that reads wininit.ini).
bool HasWininitProgram(const std::wstring& windowsFolder);

// A REG_MULTI_SZ value as its strings (an empty final string of the terminator is not one);
// false when the value is missing or of another type.
bool ReadMultiStringValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                          std::vector<std::wstring>& strings);
// Writes the strings as a REG_MULTI_SZ value.
bool WriteMultiStringValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                           const std::vector<std::wstring>& strings);

}  // namespace vantrel
