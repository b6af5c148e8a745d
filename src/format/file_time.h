#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace vantrel {

// The 24-byte date-time record of a file record (and of the uninstaller copy), six
// little-endian u32 words:
//   words 0-1  last-write time, a Windows FILETIME (100 ns ticks since 1601-01-01 UTC), low word first
//   words 2-3  creation time, same form
//   words 4-5  last-access time, same form
// A record whose word 1 is 0 or whose word 3 is negative (as i32) carries no time. The writer
// keeps real times away from both: times before 1601-01-01 00:07:10 UTC (word 1 would be 0) and
// at or after the year 30828 (word 3 would be negative) cannot be stored and give "no time".
using FileTimeRecord = std::array<std::uint8_t, 24>;

struct FileTimes {
    std::uint64_t lastWrite = 0;   // FILETIME ticks
    std::uint64_t creation = 0;    // FILETIME ticks
    std::uint64_t lastAccess = 0;  // FILETIME ticks
};

// 100 ns ticks between 1601-01-01 and 1970-01-01.
inline constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ull;

// An all-zero record: carries no time.
inline constexpr FileTimeRecord kNoFileTime{};

// True when `ticks` can be stored as a real time (see above).
bool IsStorableFileTime(std::uint64_t ticks);

// Encodes the three times. A zero or unstorable creation or last-access time is replaced by
// the last-write time; an unstorable last-write time gives kNoFileTime.
FileTimeRecord EncodeFileTime(const FileTimes& times);

// The times of a record, or nothing when the record carries no time.
std::optional<FileTimes> DecodeFileTime(const FileTimeRecord& record);

// Seconds and nanoseconds since 1970-01-01 UTC (may be negative) to FILETIME ticks; times
// before 1601 give 0.
std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds);

}  // namespace vantrel
