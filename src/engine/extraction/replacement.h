#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "format/file_record.h"

namespace vantrel {

// What is known of the file already at a record's destination.
struct ExistingFile {
    bool exists = false;
    std::optional<std::uint64_t> lastWrite;  // FILETIME ticks, when they could be read
    // The "FileVersion" text of its version resource, already normalised
    // (NormaliseVersionText); read only for the versioned kinds 6 to 9.
    std::wstring version;
};

struct ReplacementDecision {
    bool install = false;
    // The file is not written, yet the uninstaller is to remove what is there.
    bool recordRemoval = false;
    // The writer may register the replacement for the next restart when the file is in use.
    bool restartReplacementAllowed = false;
    std::wstring logLine;  // empty: the decision leaves no line
};

// True for the kinds whose existing file is compared by version (6 to 9).
bool IsVersionedKind(std::uint32_t kind);

// Whether a kind's installed file is recorded for removal by the uninstaller (flags bit
// 0x20 aside): kinds 0, 5, 9, 10, 11 and 12, and shared files of a portable installation.
bool KindRecordsFile(std::uint32_t kind, bool portable);

// The version text of a resource as it is compared: commas become dots, blanks, tabs and
// line breaks around it go.
std::wstring NormaliseVersionText(std::wstring_view text);

// A file time as the log shows it: "YYYY-MM-DD hh:mm:ss" (UTC).
std::wstring FileTimeText(std::uint64_t ticks);

// Decides by the record's replace mode, then by its kind, whether the file at
// `destination` is replaced, with the log line that says why.
ReplacementDecision DecideReplacement(const FileRecord& record, const std::wstring& destination,
                                      const ExistingFile& existing, bool portable);

}  // namespace vantrel
