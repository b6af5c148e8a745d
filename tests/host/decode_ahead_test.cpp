#include "format/decode_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area_reader.h"
#include "payload_samples.h"

namespace vantrel {
namespace {

using test::PatternBytes;

// Keeps the jobs and runs every waiting one, in a shuffled order, when any is waited for:
// completion order then differs from the order of the blocks.
class ShuffledJobRunner : public JobRunner {
  public:
    std::uint64_t Start(std::function<void()> job) override {
        pending_.emplace(++last_, std::move(job));
        maxPending = std::max(maxPending, pending_.size());
        return last_;
    }
    void Wait(std::uint64_t ticket) override {
        if (pending_.count(ticket) == 0)
            return;
        std::vector<std::uint64_t> order;
        for (const auto& entry : pending_)
            order.push_back(entry.first);
        std::shuffle(order.begin(), order.end(), random_);
        for (const std::uint64_t t : order) {
            pending_[t]();
            pending_.erase(t);
        }
    }
    std::size_t maxPending = 0;

  private:
    std::map<std::uint64_t, std::function<void()>> pending_;
    std::uint64_t last_ = 0;
    std::mt19937 random_{12345};
};

// One real thread per job.
class ThreadJobRunner : public JobRunner {
  public:
    ~ThreadJobRunner() override {
        for (auto& entry : threads_)
            entry.second.join();
    }
    std::uint64_t Start(std::function<void()> job) override {
        threads_.emplace(++last_, std::thread(std::move(job)));
        return last_;
    }
    void Wait(std::uint64_t ticket) override {
        auto found = threads_.find(ticket);
        ASSERT_NE(found, threads_.end());
        found->second.join();
        threads_.erase(found);
    }

  private:
    std::map<std::uint64_t, std::thread> threads_;
    std::uint64_t last_ = 0;
};

FileRecord Record(const std::string& name) {
    FileRecord r;
    r.name = name;
    return r;
}

struct Product {
    std::vector<std::pair<std::string, Bytes>> files;
    Bytes area;
    PayloadHeader header;
    std::vector<std::size_t> blockEnds;  // area offset after each stored block
};

// The items of all files one after another, cut into decoded blocks of `blockSize` bytes
// (so items share blocks and large ones span several).
Product MakeProduct(const std::vector<std::size_t>& sizes, std::size_t blockSize, bool compress) {
    Product p;
    Bytes items;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        Bytes data = PatternBytes(sizes[i], static_cast<std::uint32_t>(i + 1));
        // Compressible, so xz has something to do.
        for (std::size_t k = 0; k < data.size(); k += 4)
            data[k] = 0;
        const Bytes item = WriteFileItem(Record(name), data);
        items.insert(items.end(), item.begin(), item.end());
        p.header.fileSizes.push_back(static_cast<std::int32_t>(data.size()));
        p.files.emplace_back(name, std::move(data));
    }
    for (std::size_t offset = 0; offset < items.size(); offset += blockSize) {
        const std::size_t n = std::min(blockSize, items.size() - offset);
        const Bytes block = WriteDataBlock({items.data() + offset, n}, compress, 0, nullptr);
        p.area.insert(p.area.end(), block.begin(), block.end());
        p.blockEnds.push_back(p.area.size());
    }
    p.header.dataSize = static_cast<std::int32_t>(p.area.size());
    p.header.dataCheck = Checksum(p.area);
    return p;
}

struct StreamResult {
    int error = 0;
    std::vector<std::pair<std::string, Bytes>> files;  // complete and checked
    std::size_t maxPiece = 0;
    std::size_t pieces = 0;
    int blocksTaken = 0;
};

StreamResult Stream(const Product& p, bool compressed, JobRunner& runner, std::size_t depth,
                    DataAreaSource* sourceOverride = nullptr) {
    MemoryDataAreaSource memory(p.area);
    DataAreaSource& source = sourceOverride ? *sourceOverride : memory;
    DecodeAheadBlocks blocks(source, BlockDecoding{compressed, nullptr}, runner, depth);
    DataAreaReader reader(blocks, p.header, p.area.size());
    StreamResult result;
    reader.onBlock = [&] { ++result.blocksTaken; };
    for (;;) {
        StreamedRecord record;
        const DataAreaStep step = reader.Next(record);
        if (step.errorCode != 0 || step.finished) {
            result.error = step.errorCode;
            return result;
        }
        Bytes data;
        result.error = reader.ReadData([&](std::span<const std::uint8_t> piece) {
            data.insert(data.end(), piece.begin(), piece.end());
            result.maxPiece = std::max(result.maxPiece, piece.size());
            ++result.pieces;
        });
        if (result.error != 0)
            return result;
        EXPECT_EQ(data.size(), record.dataSize);
        result.files.emplace_back(record.record.name, std::move(data));
    }
}

const std::vector<std::size_t> kMixedSizes = {0, 1, 3000, 70000, 5, 250000, 12, 0, 40000, 9999, 100, 180000};

TEST(DecodeAhead, EveryRunnerAndDepthServesTheSameFilesInOrder) {
    for (const bool compress : {false, true}) {
        const Product p = MakeProduct(kMixedSizes, 32 * 1024, compress);
        for (const std::size_t depth : {1u, 2u, 4u}) {
            InlineJobRunner inlineRunner;
            ShuffledJobRunner shuffled;
            ThreadJobRunner threads;
            for (JobRunner* runner : std::initializer_list<JobRunner*>{&inlineRunner, &shuffled, &threads}) {
                const StreamResult r = Stream(p, compress, *runner, depth);
                EXPECT_EQ(r.error, 0) << compress << " " << depth;
                EXPECT_EQ(r.files, p.files) << compress << " " << depth;
                EXPECT_EQ(r.blocksTaken, static_cast<int>(p.blockEnds.size()));
            }
        }
    }
}

TEST(DecodeAhead, AFileSpreadOverManyBlocksArrivesInPiecesNoLargerThanABlock) {
    const std::size_t blockSize = 16 * 1024;
    const Product p = MakeProduct({1000000}, blockSize, true);
    ThreadJobRunner runner;
    const StreamResult r = Stream(p, true, runner, 2);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.files, p.files);
    EXPECT_LE(r.maxPiece, blockSize);
    EXPECT_GE(r.pieces, 1000000 / blockSize);
}

TEST(DecodeAhead, ReadingAheadIsBoundedByTheDepth) {
    const std::size_t blockSize = 8 * 1024;
    const Product p = MakeProduct({400000}, blockSize, false);
    ASSERT_GT(p.blockEnds.size(), 40u);
    for (const std::size_t depth : {1u, 3u}) {
        MemoryDataAreaSource source(p.area);
        ShuffledJobRunner runner;
        DecodeAheadBlocks blocks(source, BlockDecoding{false, nullptr}, runner, depth);
        std::size_t taken = 0;
        for (;;) {
            const DecodedBlock block = blocks.Take();
            if (block.errorCode != 0)
                break;
            ++taken;
            // The blocks read are the ones taken plus at most `depth` ahead.
            const auto readBlocks = static_cast<std::size_t>(
                std::upper_bound(p.blockEnds.begin(), p.blockEnds.end(), source.Position()) -
                p.blockEnds.begin());
            EXPECT_LE(readBlocks, taken + depth) << depth;
            EXPECT_EQ(blocks.Consumed(), p.blockEnds[taken - 1]);
        }
        EXPECT_EQ(taken, p.blockEnds.size());
        EXPECT_LE(runner.maxPending, depth);
    }
}

TEST(DecodeAhead, DecodingInlineReadsNothingBeforeItIsAskedFor) {
    const Product p = MakeProduct({100000}, 8 * 1024, true);
    MemoryDataAreaSource source(p.area);
    InlineJobRunner runner;
    DecodeAheadBlocks blocks(source, BlockDecoding{true, nullptr}, runner, 3);
    for (std::size_t taken = 1; taken <= p.blockEnds.size(); ++taken) {
        ASSERT_EQ(blocks.Take().errorCode, 0);
        EXPECT_EQ(source.Position(), p.blockEnds[taken - 1]);
    }
}

// The stored blocks of a product, one of them damaged: its check no longer matches.
Product WithDamagedBlock(Product p, std::size_t blockIndex) {
    const std::size_t start = blockIndex == 0 ? 0 : p.blockEnds[blockIndex - 1];
    p.area[start + 8] ^= 0x55;  // the first stored byte
    p.header.dataCheck = Checksum(p.area);
    return p;
}

TEST(DecodeAhead, ADamagedBlockInTheMiddleEndsTheWalkThereAndNothingAfterItIsServed) {
    const std::size_t blockSize = 20 * 1024;
    for (const bool compress : {false, true}) {
        const Product good = MakeProduct(kMixedSizes, blockSize, compress);
        const std::size_t damaged = good.blockEnds.size() / 2;
        const Product p = WithDamagedBlock(good, damaged);
        for (const std::size_t depth : {1u, 4u}) {
            ShuffledJobRunner runner;
            const StreamResult r = Stream(p, compress, runner, depth);
            EXPECT_EQ(r.error, 62) << compress << " " << depth;
            // Exactly the files that end before the damaged block were served whole.
            std::size_t itemsEnd = 0;
            std::size_t whole = 0;
            for (const auto& file : good.files) {
                itemsEnd +=
                    WriteFileItemHead(Record(file.first), file.second.size()).size() + file.second.size() + 4;
                if (itemsEnd <= damaged * blockSize)
                    ++whole;
            }
            EXPECT_EQ(r.files.size(), whole) << compress << " " << depth;
            EXPECT_TRUE(std::equal(r.files.begin(), r.files.end(), good.files.begin()));
            EXPECT_EQ(r.blocksTaken, static_cast<int>(damaged + 1));
        }
    }
}

TEST(DecodeAhead, ABlockThatDoesNotDecompressEndsWith60WhenReached) {
    Product p = MakeProduct(kMixedSizes, 20 * 1024, true);
    // Replace the third block by an uncompressed one with a valid check.
    const std::size_t start = p.blockEnds[1];
    const std::size_t end = p.blockEnds[2];
    const Bytes plain = WriteDataBlock(PatternBytes(end - start - 8, 9), false, 0, nullptr);
    std::copy(plain.begin(), plain.end(), p.area.begin() + static_cast<std::ptrdiff_t>(start));
    p.header.dataCheck = Checksum(p.area);
    ThreadJobRunner runner;
    const StreamResult r = Stream(p, true, runner, 3);
    EXPECT_EQ(r.error, 60);
    EXPECT_EQ(r.blocksTaken, 3);
}

TEST(DecodeAhead, ErrorsReadAheadPastTheLastRecordAreNotReported) {
    // After the last record comes a block with size 0: a reader looking ahead sees 61, but
    // the walk must end with 80 (bytes left in the area), as a reader without look-ahead does.
    Product p = MakeProduct({100, 200}, 1024, false);
    const Bytes zeroBlock(8, 0);
    p.area.insert(p.area.end(), zeroBlock.begin(), zeroBlock.end());
    p.header.dataSize = static_cast<std::int32_t>(p.area.size());
    for (const std::size_t depth : {1u, 4u}) {
        InlineJobRunner runner;
        EXPECT_EQ(Stream(p, false, runner, depth).error, 80) << depth;
    }
}

TEST(DataAreaReader, DataLeftUnreadIsStillChecked) {
    Product p = MakeProduct({300, 10}, 4096, false);
    // Spoil the first file's check field (right after its data).
    const std::size_t checkAt = 8 + WriteFileItemHead(Record(p.files[0].first), 300).size() + 300;
    p.area[checkAt] ^= 1;
    // The block check is made right again: only the file check is wrong.
    const std::uint32_t blockCheck =
        Checksum(std::span<const std::uint8_t>(p.area.data() + 8, p.blockEnds[0] - 8));
    StoreU32(p.area.data() + 4, blockCheck);
    p.header.dataCheck = Checksum(p.area);
    MemoryDataAreaSource source(p.area);
    InlineJobRunner runner;
    DecodeAheadBlocks blocks(source, BlockDecoding{false, nullptr}, runner, 2);
    DataAreaReader reader(blocks, p.header, p.area.size());
    StreamedRecord record;
    ASSERT_EQ(reader.Next(record).errorCode, 0);
    EXPECT_EQ(reader.Next(record).errorCode, 100);  // passed over, yet checked
}

TEST(DataAreaReader, RecordFieldsCutAtEveryBlockBoundaryReadTheSame) {
    FileRecord r = Record(std::string(1300, 'n'));  // longer than the first piece of fields read
    r.flags = file_flags::kDesktopShortcut;
    r.icon = L"icon.ico";
    r.arguments = "-a -b";
    r.destination = L"%InstallDir%\\sub\\";
    r.parameter = "param";
    const Bytes data = PatternBytes(77, 3);
    const Bytes item = WriteFileItem(r, data);
    for (std::size_t blockSize = 1; blockSize <= 64; ++blockSize) {
        Bytes area;
        for (std::size_t offset = 0; offset < item.size(); offset += blockSize) {
            const Bytes block = WriteDataBlock(
                {item.data() + offset, std::min(blockSize, item.size() - offset)}, false, 0, nullptr);
            area.insert(area.end(), block.begin(), block.end());
        }
        PayloadHeader header;
        header.fileSizes = {77};
        MemoryDataAreaSource source(area);
        InlineJobRunner runner;
        DecodeAheadBlocks blocks(source, BlockDecoding{false, nullptr}, runner, 2);
        DataAreaReader reader(blocks, header, area.size());
        StreamedRecord read;
        ASSERT_EQ(reader.Next(read).errorCode, 0) << blockSize;
        EXPECT_EQ(read.record.name, r.name);
        EXPECT_EQ(read.record.icon, r.icon);
        EXPECT_EQ(read.record.destination, r.destination);
        EXPECT_EQ(read.record.parameter, r.parameter);
        Bytes got;
        ASSERT_EQ(reader.ReadData([&](auto piece) { got.insert(got.end(), piece.begin(), piece.end()); }), 0);
        EXPECT_EQ(got, data) << blockSize;
        EXPECT_TRUE(reader.Next(read).finished) << blockSize;
    }
}

}  // namespace
}  // namespace vantrel
