#include "format/data_area.h"

#include <functional>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/data_area_reader.h"
#include "format/checksum.h"
#include "format/xz_codec.h"
#include "payload_samples.h"
#include "support/machine_code.h"
#include "support/xz_bomb.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::PatternBytes;

FileRecord Record(const std::string& name, std::uint32_t kind = 0) {
    FileRecord r;
    r.name = name;
    r.kind = kind;
    return r;
}

Bytes Block(const Bytes& decoded, bool compress = false) {
    return WriteDataBlock(decoded, compress, 6, nullptr);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

PayloadHeader HeaderFor(const Bytes& area, std::vector<std::int32_t> sizes) {
    PayloadHeader h;
    h.fileSizes = std::move(sizes);
    h.dataSize = static_cast<std::int32_t>(area.size());
    h.dataCheck = Checksum(area);
    return h;
}

// Walks the whole area; returns the error code (0 when it finished) and the records seen.
int WalkAll(const Bytes& area, const PayloadHeader& header, bool compressed,
            std::vector<DataAreaFile>* seen = nullptr, int* blocksRead = nullptr) {
    MemoryDataAreaSource source(area);
    DataAreaWalker walker(source, header, compressed, nullptr);
    walker.onBlock = [blocksRead] {
        if (blocksRead)
            ++*blocksRead;
    };
    for (;;) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        if (step.errorCode != 0)
            return step.errorCode;
        if (step.finished)
            return 0;
        if (seen)
            seen->push_back(file);
    }
}

TEST(DataArea, TwoItemsInOneBlockServeTwoRecordsWithOneBlockRead) {
    const Bytes a = PatternBytes(10, 1), b = PatternBytes(20, 2);
    const Bytes area = Block(Concat({WriteFileItem(Record("a"), a), WriteFileItem(Record("b"), b)}), true);
    std::vector<DataAreaFile> seen;
    int blocks = 0;
    EXPECT_EQ(WalkAll(area, HeaderFor(area, {10, 20}), true, &seen, &blocks), 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].record.name, "b");
    EXPECT_EQ(blocks, 1);
}

TEST(DataArea, AnItemSplitAcrossBlocksIsJoinedInTheQueue) {
    const Bytes item = WriteFileItem(Record("split"), PatternBytes(100, 3));
    const Bytes first(item.begin(), item.begin() + 40), second(item.begin() + 40, item.end());
    const Bytes area = Concat({Block(first), Block(second)});
    std::vector<DataAreaFile> seen;
    int blocks = 0;
    EXPECT_EQ(WalkAll(area, HeaderFor(area, {100}), false, &seen, &blocks), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(blocks, 2);
}

TEST(DataArea, VerifyChecksLengthThenChecksum) {
    const Bytes area = Block(WriteFileItem(Record("a"), PatternBytes(1000, 4)));
    PayloadHeader h = HeaderFor(area, {1000});
    MemoryDataAreaSource source(area);
    EXPECT_EQ(VerifyDataArea(source, h), 0);
    h.dataSize += 1;
    EXPECT_EQ(VerifyDataArea(source, h), 46);
    h = HeaderFor(area, {1000});
    h.dataCheck += 1;
    EXPECT_EQ(VerifyDataArea(source, h), 55);
}

struct AreaCase {
    const char* name;
    std::function<Bytes(std::vector<std::int32_t>& sizes)> build;
    int expected;
    bool compressed = false;
};

Bytes StoredHead(std::int32_t size, std::uint32_t check) {
    ByteWriter w;
    w.I32(size);
    w.U32(check);
    return w.Bytes();
}

// A block whose stored size claims exactly `extra` more than the bytes that follow it.
Bytes BlockClaiming(const Bytes& stored, std::int32_t extra) {
    return Concat({StoredHead(static_cast<std::int32_t>(stored.size()) + extra, Checksum(stored)), stored});
}

const AreaCase kAreaCases[] = {
    {"BlockSizeEqualToTheRestIsAccepted",
     [](auto& sizes) {
         sizes = {5};
         return BlockClaiming(WriteFileItem(Record("a"), PatternBytes(5, 1)), 0);
     },
     0},
    {"BlockSizeOneAboveTheRest63",
     [](auto& sizes) {
         sizes = {5};
         return BlockClaiming(WriteFileItem(Record("a"), PatternBytes(5, 1)), 1);
     },
     63},
    {"BlockSizeZero61",
     [](auto& sizes) {
         sizes = {5};
         return StoredHead(0, 0);
     },
     61},
    {"BlockSizeNegative61",
     [](auto& sizes) {
         sizes = {5};
         return Concat({StoredHead(-4, 0), Bytes(8)});
     },
     61},
    {"BlockCheck62",
     [](auto& sizes) {
         sizes = {5};
         Bytes area = Block(WriteFileItem(Record("a"), PatternBytes(5, 1)));
         area.back() ^= 1;
         return area;
     },
     62},
    {"BlockDoesNotDecompress60",
     [](auto& sizes) {
         sizes = {5};
         return Block(WriteFileItem(Record("a"), PatternBytes(5, 1)), false);  // read as compressed
     },
     60, true},
    // Decoded bytes are bounded by what the records can take: their file sizes plus an
    // allowance per record for the item's length, record and check.
    {"DecodedUpToTheRecordsAllowanceIsLeftOver83",
     [](auto& sizes) {
         sizes = {5};
         const Bytes item = WriteFileItem(Record("a"), PatternBytes(5, 1));
         return Block(Concat({item, Bytes(5 + kMaxItemOverhead - item.size(), 0)}), true);
     },
     83, true},
    {"DecodedPastTheRecordsAllowance60",
     [](auto& sizes) {
         sizes = {5};
         const Bytes item = WriteFileItem(Record("a"), PatternBytes(5, 1));
         return Block(Concat({item, Bytes(5 + kMaxItemOverhead - item.size() + 1, 0)}), true);
     },
     60, true},
    {"DecompressionBomb60",
     [](auto& sizes) {
         sizes = {5};
         return BlockClaiming(
             test::XzBomb(std::uint64_t{4} << 30, WriteFileItem(Record("a"), PatternBytes(5, 1))), 0);
     },
     60, true},
    {"BombPastTheLargestBlockWhenRecordsCouldTakeMore60",
     [](auto& sizes) {
         sizes = {0x40000000, 0x40000000};
         return BlockClaiming(test::XzBomb(std::uint64_t{1} << 30), 0);
     },
     60, true},
    {"EmptyName70",
     [](auto& sizes) {
         sizes = {0};
         Bytes item = WriteFileItem(Record("x"), {});
         item[4] = 0;  // the name's first byte: now empty
         return Block(item);
     },
     70},
    {"NegativeFileSize71",
     [](auto& sizes) {
         sizes = {-1};
         return Block(WriteFileItem(Record("a"), {}));
     },
     71},
    {"FileTooLarge72",
     [](auto& sizes) {
         sizes = {0x40000001};
         return Block(WriteFileItem(Record("a"), {}));
     },
     72},
    {"FileCheck100",
     [](auto& sizes) {
         sizes = {5};
         Bytes item = WriteFileItem(Record("a"), PatternBytes(5, 1));
         item[item.size() - 5] ^= 1;  // the last data byte
         return Block(item);
     },
     100},
    {"DataBeyondItem100",
     [](auto& sizes) {
         sizes = {50};
         return Block(WriteFileItem(Record("a"), PatternBytes(5, 1)));
     },
     100},
    {"UnknownKind110",
     [](auto& sizes) {
         sizes = {0};
         return Block(WriteFileItem(Record("a", 2), {}));
     },
     110},
    {"KindAbove12_110",
     [](auto& sizes) {
         sizes = {0};
         return Block(WriteFileItem(Record("a", 13), {}));
     },
     110},
    {"UnknownKindWithExplicitDestinationIsAccepted",
     [](auto& sizes) {
         sizes = {0};
         FileRecord r = Record("a", 3);
         r.destination = L"C:\\x";
         return Block(WriteFileItem(r, {}));
     },
     0},
    {"UnknownKindToUninstallFolderIsAccepted",
     [](auto& sizes) {
         sizes = {0};
         FileRecord r = Record("a", 2);
         r.flags = file_flags::kToUninstallDir;
         return Block(WriteFileItem(r, {}));
     },
     0},
    {"BytesLeftInArea80",
     [](auto& sizes) {
         sizes = {5};
         return Concat({Block(WriteFileItem(Record("a"), PatternBytes(5, 1))), Block(Bytes{1, 2, 3})});
     },
     80},
    {"DecodedLeftOver83",
     [](auto& sizes) {
         sizes = {5};
         return Block(Concat({WriteFileItem(Record("a"), PatternBytes(5, 1)), Bytes{9}}));
     },
     83},
    {"MoreRecordsThanBlocks63",
     [](auto& sizes) {
         sizes = {5, 5};
         return Block(WriteFileItem(Record("a"), PatternBytes(5, 1)));
     },
     63},
};

class DataAreaErrors : public testing::TestWithParam<AreaCase> {};

TEST_P(DataAreaErrors, WalkEndsWithItsCode) {
    std::vector<std::int32_t> sizes;
    const Bytes area = GetParam().build(sizes);
    EXPECT_EQ(WalkAll(area, HeaderFor(area, sizes), GetParam().compressed), GetParam().expected);
}

// The streaming reader, reading every record's data, ends with the same code, whether its
// blocks are decoded at once or ahead.
int StreamAll(const Bytes& area, const PayloadHeader& header, bool compressed, std::size_t depth) {
    MemoryDataAreaSource source(area);
    InlineJobRunner runner;
    DecodeAheadBlocks blocks(source, BlockDecoding{compressed, nullptr}, runner, depth);
    DataAreaReader reader(blocks, header, area.size());
    for (;;) {
        StreamedRecord record;
        const DataAreaStep step = reader.Next(record);
        if (step.errorCode != 0)
            return step.errorCode;
        if (step.finished)
            return 0;
        if (const int error = reader.ReadData([](std::span<const std::uint8_t>) {}); error != 0)
            return error;
    }
}

TEST_P(DataAreaErrors, StreamingReaderEndsWithTheSameCode) {
    std::vector<std::int32_t> sizes;
    const Bytes area = GetParam().build(sizes);
    for (const std::size_t depth : {1u, 3u})
        EXPECT_EQ(StreamAll(area, HeaderFor(area, sizes), GetParam().compressed, depth), GetParam().expected)
            << "depth " << depth;
}

INSTANTIATE_TEST_SUITE_P(Table, DataAreaErrors, testing::ValuesIn(kAreaCases), test::CaseName);

// A source that hands out its bytes in small reads, like a file read piece by piece.
class ChunkedSource : public DataAreaSource {
  public:
    explicit ChunkedSource(const Bytes& data) : data_(data) {}
    std::uint64_t Length() const override { return data_.size(); }
    bool ReadNext(std::uint8_t* out, std::size_t n) override {
        if (n > data_.size() - offset_)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            out[i] = data_[offset_++];
        ++reads;
        return true;
    }
    bool Rewind() override {
        offset_ = 0;
        return true;
    }
    std::uint64_t Position() const override { return offset_; }
    int reads = 0;

  private:
    const Bytes& data_;
    std::size_t offset_ = 0;
};

TEST(DataArea, FileSourceAndMappedSourceServeTheSameRecords) {
    Bytes area;
    std::vector<std::int32_t> sizes;
    for (int i = 0; i < 5; ++i) {
        const Bytes data =
            PatternBytes(static_cast<std::size_t>(1000 * i + 1), static_cast<std::uint32_t>(i));
        const Bytes block = Block(WriteFileItem(Record("f" + std::to_string(i)), data), true);
        area.insert(area.end(), block.begin(), block.end());
        sizes.push_back(static_cast<std::int32_t>(data.size()));
    }
    const PayloadHeader header = HeaderFor(area, sizes);
    auto collect = [&](DataAreaSource& source) {
        EXPECT_EQ(VerifyDataArea(source, header), 0);
        DataAreaWalker walker(source, header, true, nullptr);
        std::vector<std::pair<std::string, Bytes>> out;
        for (;;) {
            DataAreaFile file;
            const DataAreaStep step = walker.Next(file);
            EXPECT_EQ(step.errorCode, 0);
            if (step.errorCode != 0 || step.finished)
                break;
            out.emplace_back(file.record.name, Bytes(file.data.begin(), file.data.end()));
        }
        return out;
    };
    MemoryDataAreaSource mapped(area);
    ChunkedSource file(area);
    const auto fromMapped = collect(mapped);
    EXPECT_EQ(fromMapped.size(), 5u);
    EXPECT_EQ(collect(file), fromMapped);
    EXPECT_GT(file.reads, 10);
}

// A block of machine code is compressed behind the x86 branch filter (its id, 4, is the first
// filter in the block header after the stream header), other blocks without it; both walk back
// to their records (the walk checks each item's checksum).
TEST(DataArea, ABlockOfMachineCodeTakesTheX86Filter) {
    constexpr std::size_t kFirstFilter = 8 + 12 + 2;  // block size and check, stream header, two bytes
    const std::vector<std::pair<Bytes, std::uint8_t>> cases = {{test::CallingCode(200000), 0x04},
                                                               {PatternBytes(200000, 9), 0x21}};
    for (const auto& [data, firstFilter] : cases) {
        SCOPED_TRACE(firstFilter);
        const Bytes area = Block(WriteFileItem(Record("f"), data), true);
        ASSERT_GT(area.size(), kFirstFilter);
        EXPECT_EQ(area[kFirstFilter], firstFilter);
        std::vector<DataAreaFile> seen;
        EXPECT_EQ(WalkAll(area, HeaderFor(area, {static_cast<std::int32_t>(data.size())}), true, &seen), 0);
        EXPECT_EQ(seen.size(), 1u);
    }
}

TEST(DataArea, EncipheredBlocksRoundTrip) {
    const Blowfish cipher({1, 1, 2, 3, 5, 8, 13, 21});
    const Bytes data = PatternBytes(777, 8);
    const Bytes area = WriteDataBlock(WriteFileItem(Record("e"), data), true, 6, &cipher);
    const PayloadHeader header = HeaderFor(area, {777});
    MemoryDataAreaSource source(area);
    DataAreaWalker walker(source, header, true, &cipher);
    DataAreaFile file;
    ASSERT_EQ(walker.Next(file).errorCode, 0);
    EXPECT_EQ(Bytes(file.data.begin(), file.data.end()), data);
    EXPECT_TRUE(walker.Next(file).finished);
}

TEST(FileItem, ARecordBeyondWhatReadersTakeIsRefused) {
    FileRecord r = Record("a");
    r.arguments = std::string(kMaxItemOverhead, 'x');
    EXPECT_THROW(WriteFileItemHead(r, 0), std::length_error);
    r.arguments.resize(kMaxItemOverhead - WriteFileItemHead(Record("a"), 0).size() - 4);
    EXPECT_EQ(WriteFileItemHead(r, 0).size() + 4, kMaxItemOverhead);
}

TEST(DataArea, AnEncipheredBlockWithABadLengthTrailerFailsEvenUncompressed) {
    const Blowfish cipher({1, 1, 2, 3, 5, 8, 13, 21});
    const Bytes item = WriteFileItem(Record("e"), PatternBytes(40, 3));
    // Enciphered with another key: the trailer deciphers to a length outside its bounds.
    const Blowfish otherKey({2, 7, 1, 8, 2, 8, 1, 8});
    const Bytes area = WriteDataBlock(item, false, 0, &otherKey);
    const PayloadHeader header = HeaderFor(area, {40});
    MemoryDataAreaSource source(area);
    DataAreaWalker walker(source, header, false, &cipher);
    DataAreaFile file;
    EXPECT_EQ(walker.Next(file).errorCode, payload_error::kBlockDecode);
}

TEST(FileItem, OptionalFieldsFollowFlagsAndKind) {
    FileRecord r = Record("msi.msi", 11);
    r.msiInterfaceLevel = 5;
    r.flags = file_flags::kStartMenuShortcut;
    r.icon = L"icon.ico";
    r.arguments = "-x";
    r.parameter = "|w\xc3\xa9";
    std::copy_n(PatternBytes(24, 5).begin(), 24, r.fileTime.begin());
    const Bytes area = Block(WriteFileItem(r, {}));
    std::vector<DataAreaFile> seen;
    ASSERT_EQ(WalkAll(area, HeaderFor(area, {0}), false, &seen), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].record.msiInterfaceLevel, 5u);
    EXPECT_EQ(seen[0].record.icon, L"icon.ico");
    EXPECT_EQ(seen[0].record.arguments, "-x");
    EXPECT_EQ(seen[0].record.parameter, r.parameter);
    EXPECT_EQ(seen[0].record.fileTime, r.fileTime);
}

}  // namespace
}  // namespace vantrel
