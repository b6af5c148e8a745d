#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// Thin wrappers of the file-system calls that the deletion and writing code needs. Each
// leaves the system error code in place on failure.

// One entry of a folder: its name and attributes ("." and ".." are never listed).
struct FolderEntry {
    std::wstring name;
    DWORD attributes = 0;
};

// Lists a folder; false when it cannot be read (the error code tells why).
bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries);

// A link of any kind (symbolic link, junction, mount point): a reparse point.
inline bool IsLinkAttributes(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Moves a file to the Recycle Bin: silently, without confirmation or error messages.
bool MoveToRecycleBin(const std::wstring& path);

// True when both paths reach the same existing file (the same path, a hard link, another
// spelling of it).
bool IsSameFile(const std::wstring& first, const std::wstring& second);

// True when the drive letter names a drive of this machine.
bool IsDrivePresent(wchar_t letter);

// The path with its short components expanded; the path itself when that is not possible
// (for example when it does not exist).
std::wstring LongPathOf(const std::wstring& path);
// The system's 8.3 form; empty when the system has none (for example for a missing file).
std::wstring ShortPathOf(const std::wstring& path);

// Upper case by the system's own case mapping, locale-independent, as the file system
// compares names.
std::wstring FoldCase(std::wstring text);

// A file's version resource packed as in format/file_version.h, 0 when it has none;
// nothing when the file cannot be read.
std::optional<std::uint64_t> FileVersionOf(const std::wstring& path);

// A file's 64-bit size; nothing when it cannot be read.
std::optional<std::uint64_t> FileSizeOf(const std::wstring& path);

// Writes bytes to an open file in pieces of any size; false on a failed or short write.
bool WriteAll(HANDLE file, const void* data, std::size_t size);

// Sets the creation, last-access and last-write times of a file (null entries stay).
bool SetFileTimes(const std::wstring& path, const FILETIME* creation, const FILETIME* lastAccess,
                  const FILETIME* lastWrite);

}  // namespace vantrel
