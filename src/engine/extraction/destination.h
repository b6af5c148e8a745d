#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "format/file_record.h"

namespace vantrel {

// The folders that records without an explicit destination go to, and portable mode.
struct DestinationFolders {
    std::wstring installDir;         // %InstallDir%
    std::wstring sharedDir;          // %SharedDir%
    std::wstring fontDir;            // %FontDir%
    std::wstring systemDir;          // %SystemDir%
    std::wstring uninstallDataDir;   // where Install.log and Uninstall.DAT go
    bool portable = false;           // %Portable% is "1"
    std::wstring portableSharedDir;  // settings field 16; used for shared files in portable mode
};

// Replaces the installer variables in a text.
using ExpandText = std::function<std::wstring(std::wstring_view text)>;
// Turns a path into a full, normalised one (the system's own rules on Windows).
using NormalisePath = std::function<std::wstring(std::wstring_view path)>;

struct Destination {
    int errorCode = 0;  // kUnknownKind when the record's kind names no folder
    std::wstring path;  // full and normalised
    // The record names its destination itself (field 9), after portable mode had its say.
    bool explicitDestination = false;
};

// The folder of a kind, or nothing (empty) for a kind without one.
std::wstring KindFolder(std::uint32_t kind, const DestinationFolders& folders);

// True for "C:..." and "\\server..." paths: those are not joined to a base folder.
bool IsAbsolutePath(std::wstring_view path);

// Where a record's file goes: its kind's folder (or the uninstall-data folder with flags bit
// 0x40) joined with its name, or its explicit destination with variables expanded, made
// absolute against %SharedDir% (kind 1) or %InstallDir%, with the name added when it ends in
// a backslash. In portable mode a shared file's relative explicit destination goes under
// the portable shared folder instead, and any other explicit destination of a shared file
// is dropped.
Destination ComputeDestination(const FileRecord& record, const DestinationFolders& folders,
                               const ExpandText& expand, const NormalisePath& normalise);

// The log line written after a successful write when the log lists every file:
// name, " >>> ", destination, line end.
std::wstring InstalledFileLine(const FileRecord& record, const std::wstring& destination);

// Record names that mark a file the user is not meant to see in the status line.
inline constexpr std::string_view kHiddenRecordName = "b/0@+";

// Whether the status line shows message 54 instead of the destination path (ProductFlags
// high bit 0x20000, or the hidden record name).
bool StatusHidesPath(const FileRecord& record, bool hideFileNames);

// The percentage shown while record `index` of `count` is installed.
int ExtractionProgress(std::size_t index, std::size_t count);

}  // namespace vantrel
