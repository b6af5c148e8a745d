#include "format/file_time.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

std::uint32_t Word(const FileTimeRecord& record, std::size_t word) {
    return std::uint32_t{record[word * 4]} | std::uint32_t{record[word * 4 + 1]} << 8 |
           std::uint32_t{record[word * 4 + 2]} << 16 | std::uint32_t{record[word * 4 + 3]} << 24;
}

TEST(FileTime, UnixTimesConvertToWindowsTicks) {
    EXPECT_EQ(FileTimeFromUnix(0, 0), kFileTimeUnixEpoch);
    // 2023-11-14 22:13:20 UTC plus 1.5 s
    EXPECT_EQ(FileTimeFromUnix(1700000001, 500000000), 133444736015000000ull);
    EXPECT_EQ(FileTimeFromUnix(-11644473600, 0), 0u);
    EXPECT_EQ(FileTimeFromUnix(-11644473601, 0), 0u);
}

TEST(FileTime, RoundTripsAndLaysOutLastWriteFirst) {
    const FileTimes times{133444736015000000ull, 133000000000000000ull, 133500000000000000ull};
    const FileTimeRecord record = EncodeFileTime(times);
    EXPECT_EQ(Word(record, 0), static_cast<std::uint32_t>(times.lastWrite));
    EXPECT_EQ(Word(record, 1), static_cast<std::uint32_t>(times.lastWrite >> 32));
    EXPECT_EQ(Word(record, 3), static_cast<std::uint32_t>(times.creation >> 32));
    const auto decoded = DecodeFileTime(record);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->lastWrite, times.lastWrite);
    EXPECT_EQ(decoded->creation, times.creation);
    EXPECT_EQ(decoded->lastAccess, times.lastAccess);
}

TEST(FileTime, MissingCreationAndAccessTimesTakeTheWriteTime) {
    const auto decoded = DecodeFileTime(EncodeFileTime({kFileTimeUnixEpoch, 0, 0}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->creation, kFileTimeUnixEpoch);
    EXPECT_EQ(decoded->lastAccess, kFileTimeUnixEpoch);
}

struct NoTimeCase {
    const char* name;
    std::uint64_t lastWrite;
};

class FileTimeWithoutTime : public testing::TestWithParam<NoTimeCase> {};

// Times whose record would read as "no time" (word 1 zero, word 3 negative) are stored as none.
TEST_P(FileTimeWithoutTime, IsStoredAsNoTime) {
    const FileTimeRecord record = EncodeFileTime({GetParam().lastWrite, 0, 0});
    EXPECT_EQ(record, kNoFileTime);
    EXPECT_FALSE(DecodeFileTime(record));
}

INSTANTIATE_TEST_SUITE_P(Cases, FileTimeWithoutTime,
                         testing::Values(NoTimeCase{"Zero", 0},
                                         NoTimeCase{"FirstMinutesOf1601", 0xFFFFFFFFull},
                                         NoTimeCase{"HighBitSet", 0x8000000000000000ull},
                                         NoTimeCase{"Largest", UINT64_MAX}),
                         test::CaseName);

TEST(FileTime, StorableRangeEdges) {
    EXPECT_TRUE(IsStorableFileTime(0x100000000ull));
    EXPECT_TRUE(IsStorableFileTime(0x7FFFFFFFFFFFFFFFull));
    EXPECT_FALSE(IsStorableFileTime(0xFFFFFFFFull));
    EXPECT_FALSE(IsStorableFileTime(0x8000000000000000ull));
}

TEST(FileTime, RecordsWithTheNoTimeMarksDecodeAsNone) {
    FileTimeRecord record = EncodeFileTime({kFileTimeUnixEpoch, 0, 0});
    FileTimeRecord negativeCreation = record;
    negativeCreation[15] = 0x80;  // word 3 negative
    EXPECT_FALSE(DecodeFileTime(negativeCreation));
    FileTimeRecord zeroHigh = record;
    zeroHigh[4] = zeroHigh[5] = zeroHigh[6] = zeroHigh[7] = 0;  // word 1 zero
    EXPECT_FALSE(DecodeFileTime(zeroHigh));
}

}  // namespace
}  // namespace vantrel
