#include "engine/extraction/replacement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "format/file_time.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kDay = 864000000000ull;
// 2024-01-31 12:00:00 UTC.
constexpr std::uint64_t kOld = 133511760000000000ull;
constexpr std::uint64_t kNew = kOld + kDay;
constexpr std::uint64_t kNone = 0;  // the record carries no time

const std::wstring kDest = L"C:\\P\\f.dll";

struct ReplaceCase {
    const char* name;
    std::uint32_t mode;
    std::uint32_t kind;
    std::uint32_t extraFlags;
    bool exists;
    std::optional<std::uint64_t> existingTime;
    const wchar_t* existingVersion;
    std::uint64_t recordTime;
    const char* recordVersion;
    bool portable;
    // Expected:
    bool install;
    bool recordRemoval;
    bool restartAllowed;
    const wchar_t* log;  // after the destination; nullptr: no line at all
};

const ReplaceCase kCases[] = {
    // Skipping modes leave no trace.
    {"Mode4SkipsSilently", 0x4, 0, 0, true, kOld, L"", kNew, "", false, false, false, false, nullptr},
    {"Mode14SkipsSilently", 0x14, 9, 0, false, {}, L"", kNew, "", false, false, false, false, nullptr},
    // Only if it exists.
    {"Mode8Missing",
     0x8,
     0,
     0,
     false,
     {},
     L"",
     kNew,
     "",
     false,
     false,
     false,
     false,
     L" was not installed because it does not already exist.\r\n"},
    {"Mode8ExistingKind0Installs", 0x8, 0, 0, true, kNew, L"", kOld, "", false, true, false, false, L""},
    {"Mode8ExistingKind1FollowsKindRules", 0x8, 1, 0, true, kNew, L"", kOld, "", false, false, false, false,
     L" is up to date.\r\n"},
    // Only if it does not exist.
    {"ModeCExistingRecorded", 0xC, 0, 0, true, kOld, L"", kNew, "", false, false, true, false,
     L" was not installed because it already exists.\r\n"},
    {"ModeCExistingPermanentNotRecorded", 0xC, 0, 0x20, true, kOld, L"", kNew, "", false, false, false, false,
     L" was not installed because it already exists.\r\n"},
    {"ModeCExistingKind6NotRecorded", 0xC, 6, 0, true, kOld, L"", kNew, "", false, false, false, false,
     L" was not installed because it already exists.\r\n"},
    {"ModeCExistingKind1PortableRecorded", 0xC, 1, 0, true, kOld, L"", kNew, "", true, false, true, false,
     L" was not installed because it already exists.\r\n"},
    {"ModeCMissingInstalls", 0xC, 0, 0, false, {}, L"", kNew, "", false, true, false, false, L""},
    // Not if the existing file is newer.
    {"Mode10ExistingNewer", 0x10, 10, 0, true, kNew, L"", kOld, "", false, false, true, false,
     L" was not installed because the existing file is newer.\r\n"},
    {"Mode10ExistingOlder", 0x10, 0, 0, true, kOld, L"", kNew, "", false, true, false, false, L""},
    {"Mode10SameTime", 0x10, 0, 0, true, kOld, L"", kOld, "", false, true, false, false, L""},
    {"Mode10RecordWithoutTime", 0x10, 0, 0, true, kNew, L"", kNone, "", false, true, false, false, L""},
    {"Mode10ExistingTimeUnknown", 0x10, 0, 0, true, {}, L"", kOld, "", false, true, false, false, L""},
    // Kind rules for kinds 1 and 4.
    {"Kind1SameTimeUpToDate", 0, 1, 0, true, kOld, L"", kOld, "", false, false, false, false,
     L" is up to date.\r\n"},
    {"Kind1SameTimePortableRecorded", 0, 1, 0, true, kOld, L"", kOld, "", true, false, true, false,
     L" is up to date.\r\n"},
    {"Kind1SameTimePortablePermanentNotRecorded", 0, 1, 0x20, true, kOld, L"", kOld, "", true, false, false,
     false, L" is up to date.\r\n"},
    {"Kind4OlderRecordUpToDate", 0x18, 4, 0, true, kNew, L"", kOld, "", false, false, false, false,
     L" is up to date.\r\n"},
    {"Kind1NewerRecordReplaces", 0x1C, 1, 0, true, kOld, L"", kNew, "", false, true, false, true,
     L" is out of date and will be replaced.\r\n"},
    {"Kind4RecordWithoutTimeReplaces", 0, 4, 0, true, kNew, L"", kNone, "", false, true, false, true,
     L" is out of date and will be replaced.\r\n"},
    {"Kind1UnreadableTimeReplaces",
     0,
     1,
     0,
     true,
     {},
     L"",
     kOld,
     "",
     false,
     true,
     false,
     true,
     L" is out of date and will be replaced.\r\n"},
    {"Kind1MissingInstallsWithoutLine", 0, 1, 0, false, {}, L"", kOld, "", false, true, false, false, L""},
    // Kind rules for kinds 6 to 9.
    {"Kind9SameVersionNotInstalledButRecorded", 0, 9, 0, true, kOld, L"2.0", kNew, "2.0", false, false, true,
     false, L" was not installed because its version (2.0) is not newer than 2.0\r\n"},
    {"Kind9SameVersionPermanentNotRecorded", 0, 9, 0x20, true, kOld, L"2.0", kNew, "2.0", false, false, false,
     false, L" was not installed because its version (2.0) is not newer than 2.0\r\n"},
    {"Kind7OlderVersionNotRecorded", 0, 7, 0, true, kOld, L"3.1", kNew, "3.0.9", false, false, false, false,
     L" was not installed because its version (3.0.9) is not newer than 3.1\r\n"},
    {"Kind6NewerVersionAndDate", 0, 6, 0, true, kOld, L"1.0", kNew, "1.1", false, true, false, true,
     L" needs replacement because its version (1.1) is newer than 1.0 and its date (2024-02-01 12:00:00) is "
     L"newer than 2024-01-31 12:00:00\r\n"},
    {"Kind8NewerVersionSameDateNotInstalled", 0, 8, 0, true, kOld, L"1.0", kOld, "1.1", false, false, false,
     false,
     L" was not installed because its date (2024-01-31 12:00:00) is not newer than 2024-01-31 12:00:00.\r\n"},
    {"Kind9NewerVersionUnreadableDate",
     0,
     9,
     0,
     true,
     {},
     L"1.0",
     kOld,
     "1.1",
     false,
     true,
     false,
     true,
     L" needs replacement because its version (1.1) is newer than 1.0\r\n"},
    {"Kind9NoVersionsNewerDate", 0, 9, 0, true, kOld, L"", kNew, "", false, true, false, true,
     L" needs replacement because its date (2024-02-01 12:00:00) is newer than 2024-01-31 12:00:00\r\n"},
    {"Kind9NoVersionsOlderDateRecorded", 0, 9, 0, true, kNew, L"", kOld, "", false, false, true, false,
     L" was not installed because its date (2024-01-31 12:00:00) is not newer than 2024-02-01 12:00:00.\r\n"},
    {"Kind9RecordVersionOnlyComparesDates", 0, 9, 0, true, kNew, L"", kOld, "5.0", false, false, true, false,
     L" was not installed because its date (2024-01-31 12:00:00) is not newer than 2024-02-01 12:00:00.\r\n"},
    {"Kind9NothingToCompare",
     0,
     9,
     0,
     true,
     {},
     L"",
     kNone,
     "",
     false,
     true,
     false,
     true,
     L" is out of date and will be replaced.\r\n"},
    {"Kind6RecordWithoutTimeNewerVersion", 0, 6, 0, true, kNew, L"1.0", kNone, "2.0", false, true, false,
     true, L" needs replacement because its version (2.0) is newer than 1.0\r\n"},
    {"Kind9MissingInstallsWithoutLine", 0, 9, 0, false, {}, L"", kOld, "1.0", false, true, false, false, L""},
    // Other kinds install over anything without a check.
    {"Kind0OverNewerFile", 0, 0, 0, true, kNew, L"9.9", kOld, "1.0", false, true, false, false, L""},
    {"Kind12OverNewerFile", 0x18, 12, 0, true, kNew, L"", kOld, "", false, true, false, false, L""},
};

class Replacement : public testing::TestWithParam<ReplaceCase> {};

TEST_P(Replacement, DecisionRecordAndLogLine) {
    const ReplaceCase& c = GetParam();
    FileRecord record;
    record.name = "f.dll";
    record.kind = c.kind;
    record.flags = c.mode | c.extraFlags;
    record.nameText = c.recordVersion;
    if (c.recordTime != kNone)
        record.fileTime = EncodeFileTime({c.recordTime, c.recordTime, c.recordTime});
    ExistingFile existing;
    existing.exists = c.exists;
    existing.lastWrite = c.existingTime;
    existing.version = c.existingVersion;
    const ReplacementDecision d = DecideReplacement(record, kDest, existing, c.portable);
    EXPECT_EQ(d.install, c.install);
    EXPECT_EQ(d.recordRemoval, c.recordRemoval);
    EXPECT_EQ(d.restartReplacementAllowed, c.restartAllowed);
    if (c.log == nullptr || std::wstring(c.log).empty())
        EXPECT_EQ(d.logLine, L"");
    else
        EXPECT_EQ(d.logLine, kDest + c.log);
}

INSTANTIATE_TEST_SUITE_P(Table, Replacement, testing::ValuesIn(kCases), test::CaseName);

TEST(VersionText, CommasBecomeDotsAndBlanksAroundGo) {
    EXPECT_EQ(NormaliseVersionText(L" 2, 0, 1, 5 \r\n"), L"2. 0. 1. 5");
    EXPECT_EQ(NormaliseVersionText(L"\t1,2,3\t"), L"1.2.3");
    EXPECT_EQ(NormaliseVersionText(L" \r\n\t"), L"");
    EXPECT_EQ(NormaliseVersionText(L""), L"");
}

TEST(FileTimeText, ShowsTheUtcDateAndTime) {
    EXPECT_EQ(FileTimeText(kOld), L"2024-01-31 12:00:00");
    EXPECT_EQ(FileTimeText(0), L"1601-01-01 00:00:00");
    EXPECT_EQ(FileTimeText(kFileTimeUnixEpoch), L"1970-01-01 00:00:00");
    // 2000-02-29 23:59:59, a leap day of a century year.
    EXPECT_EQ(FileTimeText(kFileTimeUnixEpoch + 951868799ull * 10000000ull), L"2000-02-29 23:59:59");
}

TEST(KindRecordsFile, InstallFolderKindsAndPortableSharedFiles) {
    for (std::uint32_t kind : {0u, 5u, 9u, 10u, 11u, 12u})
        EXPECT_TRUE(KindRecordsFile(kind, false)) << kind;
    for (std::uint32_t kind : {1u, 4u, 6u, 7u, 8u})
        EXPECT_FALSE(KindRecordsFile(kind, false)) << kind;
    EXPECT_TRUE(KindRecordsFile(1, true));
    EXPECT_FALSE(KindRecordsFile(4, true));
}

}  // namespace
}  // namespace vantrel
