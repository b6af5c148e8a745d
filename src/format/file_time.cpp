#include "format/file_time.h"

namespace vantrel {
namespace {

void PutWord(FileTimeRecord& record, std::size_t word, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        record[word * 4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetWord(const FileTimeRecord& record, std::size_t word) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t{record[word * 4 + i]} << (8 * i);
    return value;
}

void PutTime(FileTimeRecord& record, std::size_t firstWord, std::uint64_t ticks) {
    PutWord(record, firstWord, static_cast<std::uint32_t>(ticks));
    PutWord(record, firstWord + 1, static_cast<std::uint32_t>(ticks >> 32));
}

std::uint64_t GetTime(const FileTimeRecord& record, std::size_t firstWord) {
    return (std::uint64_t{GetWord(record, firstWord + 1)} << 32) | GetWord(record, firstWord);
}

}  // namespace

bool IsStorableFileTime(std::uint64_t ticks) {
    const auto high = static_cast<std::uint32_t>(ticks >> 32);
    return high != 0 && high < 0x80000000u;
}

FileTimeRecord EncodeFileTime(const FileTimes& times) {
    if (!IsStorableFileTime(times.lastWrite))
        return kNoFileTime;
    FileTimeRecord record{};
    PutTime(record, 0, times.lastWrite);
    PutTime(record, 2, IsStorableFileTime(times.creation) ? times.creation : times.lastWrite);
    PutTime(record, 4, IsStorableFileTime(times.lastAccess) ? times.lastAccess : times.lastWrite);
    return record;
}

std::optional<FileTimes> DecodeFileTime(const FileTimeRecord& record) {
    if (GetWord(record, 1) == 0 || static_cast<std::int32_t>(GetWord(record, 3)) < 0)
        return std::nullopt;
    return FileTimes{GetTime(record, 0), GetTime(record, 2), GetTime(record, 4)};
}

std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
    constexpr std::int64_t kEpochSeconds = static_cast<std::int64_t>(kFileTimeUnixEpoch / 10000000ull);
    if (seconds < -kEpochSeconds)
        return 0;
    const auto sinceEpoch = static_cast<std::uint64_t>(seconds + kEpochSeconds);
    if (sinceEpoch > (UINT64_MAX - 9999999ull) / 10000000ull)
        return UINT64_MAX;
    return sinceEpoch * 10000000ull + nanoseconds / 100u;
}

}  // namespace vantrel
