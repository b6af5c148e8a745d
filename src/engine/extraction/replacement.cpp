#include "engine/extraction/replacement.h"

#include <string>

#include "format/file_time.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/version_compare.h"

namespace vantrel {
namespace {

constexpr std::uint32_t Kind(DestinationKind kind) {
    return static_cast<std::uint32_t>(kind);
}

std::optional<std::uint64_t> RecordTime(const FileRecord& record) {
    const std::optional<FileTimes> times = DecodeFileTime(record.fileTime);
    if (!times)
        return std::nullopt;
    return times->lastWrite;
}

bool Permanent(const FileRecord& record) {
    return (record.flags & file_flags::kPermanent) != 0;
}

ReplacementDecision Skip(const std::wstring& destination, std::wstring_view reason, bool recordRemoval) {
    ReplacementDecision decision;
    decision.logLine = destination + std::wstring(reason);
    decision.recordRemoval = recordRemoval;
    return decision;
}

ReplacementDecision Install(const FileRecord& record, const ExistingFile& existing, std::wstring logLine) {
    ReplacementDecision decision;
    decision.install = true;
    decision.logLine = std::move(logLine);
    const std::uint32_t kind = record.kind;
    decision.restartReplacementAllowed =
        existing.exists && (kind == Kind(DestinationKind::kShared) || kind == Kind(DestinationKind::kFont) ||
                            IsVersionedKind(kind));
    return decision;
}

ReplacementDecision ByKindRules(const FileRecord& record, const std::wstring& destination,
                                const ExistingFile& existing, bool portable) {
    if (!existing.exists)
        return Install(record, existing, {});
    const std::optional<std::uint64_t> recordTime = RecordTime(record);
    const std::uint32_t kind = record.kind;

    if (kind == Kind(DestinationKind::kShared) || kind == Kind(DestinationKind::kFont)) {
        const bool newer = !recordTime || !existing.lastWrite || *recordTime > *existing.lastWrite;
        if (!newer) {
            const bool recordIt = portable && kind == Kind(DestinationKind::kShared) && !Permanent(record);
            return Skip(destination, L" is up to date.\r\n", recordIt);
        }
        return Install(record, existing, destination + L" is out of date and will be replaced.\r\n");
    }

    if (IsVersionedKind(kind)) {
        const bool recordOnSkip = kind == Kind(DestinationKind::kVersioned) && !Permanent(record);
        std::wstring reason;
        const std::wstring newVersion = Utf8ToUtf16(record.nameText);
        if (!newVersion.empty() && !existing.version.empty()) {
            if (VersionCompare(record.nameText, Utf16ToUtf8(existing.version)) < 1) {
                return Skip(destination,
                            L" was not installed because its version (" + newVersion +
                                L") is not newer than " + existing.version + L"\r\n",
                            recordOnSkip);
            }
            reason = L"its version (" + newVersion + L") is newer than " + existing.version;
        }
        // Without a time of its own the record cannot be compared by date.
        if (existing.lastWrite && recordTime) {
            const std::wstring newDate = FileTimeText(*recordTime);
            const std::wstring oldDate = FileTimeText(*existing.lastWrite);
            if (*recordTime <= *existing.lastWrite) {
                return Skip(destination,
                            L" was not installed because its date (" + newDate + L") is not newer than " +
                                oldDate + L".\r\n",
                            recordOnSkip);
            }
            if (!reason.empty())
                reason += L" and ";
            reason += L"its date (" + newDate + L") is newer than " + oldDate;
        }
        if (reason.empty())
            return Install(record, existing, destination + L" is out of date and will be replaced.\r\n");
        return Install(record, existing, destination + L" needs replacement because " + reason + L"\r\n");
    }

    return Install(record, existing, {});
}

}  // namespace

bool IsVersionedKind(std::uint32_t kind) {
    return kind >= Kind(DestinationKind::kSystemPermanentShared) && kind <= Kind(DestinationKind::kVersioned);
}

bool KindRecordsFile(std::uint32_t kind, bool portable) {
    switch (kind) {
        case Kind(DestinationKind::kInstallDir):
        case Kind(DestinationKind::kInstallDirShortcut):
        case Kind(DestinationKind::kVersioned):
        case Kind(DestinationKind::kDriver):
        case Kind(DestinationKind::kMsiPackage):
        case Kind(DestinationKind::kControlPanelApplet):
            return true;
        case Kind(DestinationKind::kShared):
            return portable;
        default:
            return false;
    }
}

std::wstring NormaliseVersionText(std::wstring_view text) {
    std::wstring result(text);
    for (wchar_t& c : result) {
        if (c == L',')
            c = L'.';
    }
    const wchar_t* const blanks = L" \t\r\n";
    const std::size_t first = result.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return {};
    const std::size_t last = result.find_last_not_of(blanks);
    return result.substr(first, last - first + 1);
}

std::wstring FileTimeText(std::uint64_t ticks) {
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    const std::uint64_t seconds = ticks / kTicksPerSecond;
    // Days since 1601-01-01 to a civil date (proleptic Gregorian), counted from 0000-03-01.
    const std::int64_t days =
        static_cast<std::int64_t>(seconds / 86400) + 584694;  // 0000-03-01 .. 1601-01-01
    const std::uint64_t secondOfDay = seconds % 86400;
    const std::int64_t era = days / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::wstring text;
    auto put = [&text](std::int64_t value, std::size_t width, wchar_t after) {
        std::wstring digits = DecimalText(value);
        if (digits.size() < width)
            digits.insert(0, width - digits.size(), L'0');
        text += digits;
        if (after != 0)
            text += after;
    };
    const auto second = static_cast<std::int64_t>(secondOfDay);
    put(year, 4, L'-');
    put(month, 2, L'-');
    put(day, 2, L' ');
    put(second / 3600, 2, L':');
    put(second / 60 % 60, 2, L':');
    put(second % 60, 2, 0);
    return text;
}

ReplacementDecision DecideReplacement(const FileRecord& record, const std::wstring& destination,
                                      const ExistingFile& existing, bool portable) {
    const std::uint32_t mode = record.flags & file_flags::kReplaceModeMask;
    const bool recordedKind = KindRecordsFile(record.kind, portable) && !Permanent(record);
    switch (mode) {
        case replace_mode::kSkip:
        case replace_mode::kSkipToo:
            return {};
        case replace_mode::kOnlyIfExists:
            if (!existing.exists)
                return Skip(destination, L" was not installed because it does not already exist.\r\n", false);
            break;
        case replace_mode::kOnlyIfMissing:
            if (existing.exists)
                return Skip(destination, L" was not installed because it already exists.\r\n", recordedKind);
            break;
        case replace_mode::kNotIfExistingNewer: {
            const std::optional<std::uint64_t> recordTime = RecordTime(record);
            if (existing.exists && existing.lastWrite && recordTime && *existing.lastWrite > *recordTime) {
                return Skip(destination, L" was not installed because the existing file is newer.\r\n",
                            recordedKind);
            }
            break;
        }
        default:
            break;
    }
    return ByKindRules(record, destination, existing, portable);
}

}  // namespace vantrel
