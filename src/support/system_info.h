#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// Full path of this program's file.
std::wstring ModuleFilePath();

// The last path component of a path.
std::wstring FileNameOf(const std::wstring& path);

// The folder of a path, without a trailing backslash except for a drive root ("C:\").
std::wstring FolderOf(const std::wstring& path);

// The text for a Windows error code: "" for 0, "Incorrect password." for 86, the system's
// message (trimmed), or "Error 0x%08X" when the system has none.
std::wstring SystemErrorText(unsigned long code);

// UTF-16 -> system ANSI code page, unconvertible characters as '?'.
std::string ToSystemCodePage(const std::wstring& text);

// A normalised absolute path; the input unchanged when the system cannot make one.
std::wstring FullPathOf(const std::wstring& path);

// Enables a privilege in the process token; false when that is not possible.
bool EnablePrivilege(const wchar_t* name);

// A 64-bit stamp of this run, taken from the clock; the top bit is always clear.
std::uint64_t TakeRunStamp();

}  // namespace vantrel
