// The streaming payload writer: the same bytes as the in-memory one, bounded blocks and
// reads, and data areas that the readers walk back.
#include <algorithm>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/payload_writer.h"
#include "format/xz_codec.h"
#include "payload_samples.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::FileInput;
using test::MinimalSettings;
using test::PatternBytes;

struct StreamCase {
    const char* name;
    bool compress;
    bool encipher;
    bool dataInFile;
    std::size_t blockSize;
};

class PayloadWriterStream : public testing::TestWithParam<StreamCase> {
  protected:
    Settings MakeSettings() const {
        Settings settings = MinimalSettings();
        settings.productFlagsLow = GetParam().compress ? product_flags::kCompressedBlocks : 0;
        settings.dataInFile = GetParam().dataInFile ? 1 : 0;
        return settings;
    }
    PayloadWriteOptions MakeOptions() const {
        PayloadWriteOptions options;
        options.blockSize = GetParam().blockSize;
        options.xzPreset = 1;
        if (GetParam().encipher)
            options.cipherKey = std::array<std::uint8_t, 8>{8, 7, 6, 5, 4, 3, 2, 1};
        return options;
    }
    // Files smaller and larger than a block, an empty one, and one of exactly a block.
    std::vector<PayloadFileInput> Files() const {
        const std::size_t block = GetParam().blockSize;
        return {FileInput("small.txt", PatternBytes(100, 1)),
                FileInput("large.bin", PatternBytes(3 * block + 77, 2)), FileInput("empty", {}),
                FileInput("block.bin", PatternBytes(block, 3)), FileInput("tail.txt", PatternBytes(10, 4))};
    }
};

// The pieces a reader was asked for, to show that large files are read in parts.
struct ReadLog {
    std::size_t largest = 0;
    std::size_t calls = 0;
};

// The same files, read through openData in pieces instead of whole.
std::vector<PayloadFileInput> Piecewise(std::vector<PayloadFileInput> files, ReadLog& log) {
    for (auto& file : files) {
        const Bytes data = file.readData();
        file.readData = nullptr;
        file.openData = [data, &log] {
            return PayloadDataReader(
                [data, &log, offset = std::size_t{0}](std::span<std::uint8_t> out) mutable {
                    log.largest = std::max(log.largest, out.size());
                    ++log.calls;
                    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
                    offset += out.size();
                });
        };
    }
    return files;
}

TEST_P(PayloadWriterStream, GivesTheSameBytesAsTheInMemoryWriter) {
    const Settings settings = MakeSettings();
    const PayloadWriteOptions options = MakeOptions();
    const std::vector<PayloadFileInput> files = Files();
    const PayloadImage image = WritePayload(settings, files, options);

    ReadLog log;
    const std::vector<PayloadFileInput> pieces = Piecewise(Files(), log);
    PayloadWriter writer(settings, pieces, options);
    const std::size_t headSize = writer.HeadSize();
    Bytes area;
    std::size_t largestPiece = 0;
    const Bytes head = writer.WriteDataArea([&](std::span<const std::uint8_t> bytes) {
        largestPiece = std::max(largestPiece, bytes.size());
        area.insert(area.end(), bytes.begin(), bytes.end());
    });

    EXPECT_EQ(head.size(), headSize);
    EXPECT_EQ(writer.FileCheckOffset(), image.fileCheckOffset);
    Bytes section = head;
    if (GetParam().dataInFile) {
        EXPECT_EQ(area, image.trailingData);
    } else {
        section.insert(section.end(), area.begin(), area.end());
    }
    EXPECT_EQ(section, image.section);

    // Never more than a block is read or handed on at once.
    EXPECT_LE(log.largest, GetParam().blockSize);
    EXPECT_GE(log.calls, 4u);
    EXPECT_LE(largestPiece, GetParam().blockSize + 256);

    PayloadHeader header;
    ASSERT_EQ(ReadPayloadHeader(head, kPayloadEngineVersion, header).errorCode, 0);
    EXPECT_EQ(static_cast<std::size_t>(header.dataSize), area.size());
    EXPECT_EQ(header.dataCheck, Checksum(area));
    EXPECT_EQ(static_cast<std::size_t>(header.dataEnd), headSize + area.size());
    ASSERT_EQ(header.FileCount(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(static_cast<std::uint64_t>(header.fileSizes[i]), files[i].size);
}

TEST_P(PayloadWriterStream, BlocksStayWithinTheBlockSizeAndReadBack) {
    const Settings settings = MakeSettings();
    const std::vector<PayloadFileInput> files = Files();
    const PayloadImage image = WritePayload(settings, files, MakeOptions());
    PayloadHeader header;
    ASSERT_EQ(ReadPayloadHeader(image.section, kPayloadEngineVersion, header).errorCode, 0);
    const Bytes area = GetParam().dataInFile
                           ? image.trailingData
                           : Bytes(image.section.begin() + static_cast<std::ptrdiff_t>(header.DataOffset()),
                                   image.section.end());
    std::unique_ptr<Blowfish> cipher;
    if (header.cipherKey)
        cipher = std::make_unique<Blowfish>(*header.cipherKey);

    // Every decoded block holds at most blockSize bytes, even for files larger than a block.
    std::size_t at = 0, blocks = 0;
    while (at < area.size()) {
        ASSERT_LE(at + 8, area.size());
        const std::size_t stored = LoadU32(area.data() + at);
        Bytes block(area.begin() + static_cast<std::ptrdiff_t>(at + 8),
                    area.begin() + static_cast<std::ptrdiff_t>(at + 8 + stored));
        if (cipher)
            DecipherBuffer(block, *cipher);
        if (GetParam().compress) {
            ASSERT_TRUE(XzDecode(block));
        }
        EXPECT_LE(block.size(), GetParam().blockSize);
        at += 8 + stored;
        ++blocks;
    }
    EXPECT_GE(blocks, 5u);

    MemoryDataAreaSource source(area);
    ASSERT_EQ(VerifyDataArea(source, header), 0);
    DataAreaWalker walker(source, header, GetParam().compress, cipher.get());
    for (std::size_t i = 0;; ++i) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        ASSERT_EQ(step.errorCode, 0) << "file " << i;
        if (step.finished) {
            EXPECT_EQ(i, files.size());
            break;
        }
        ASSERT_LT(i, files.size());
        EXPECT_EQ(file.record.name, files[i].record.name);
        EXPECT_EQ(Bytes(file.data.begin(), file.data.end()), files[i].readData());
    }
}

TEST_P(PayloadWriterStream, AnyNumberOfThreadsGivesTheSameBytes) {
    const Settings settings = MakeSettings();
    const std::vector<PayloadFileInput> files = Files();
    const PayloadImage single = WritePayload(settings, files, MakeOptions());
    for (const unsigned threads : {2u, 3u, 8u}) {
        PayloadWriteOptions options = MakeOptions();
        options.threads = threads;
        const PayloadImage pooled = WritePayload(settings, files, options);
        EXPECT_EQ(pooled.section, single.section) << threads << " threads";
        EXPECT_EQ(pooled.trailingData, single.trailingData) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PayloadWriterStream,
                         testing::Values(StreamCase{"Plain", false, false, false, 4096},
                                         StreamCase{"CompressedInFile", true, false, true, 4096},
                                         StreamCase{"EncipheredInFile", false, true, true, 1000},
                                         StreamCase{"CompressedEnciphered", true, true, false, 5000}),
                         test::CaseName);

TEST(PayloadWriter, ItemsThatFitKeepWholeBlocks) {
    // Three 1000-byte files in 2500-byte blocks: two items fit the first block, the third
    // starts a new one rather than being split.
    Settings settings = MinimalSettings();
    PayloadWriteOptions options;
    options.blockSize = 2500;
    const std::vector<PayloadFileInput> files = {FileInput("a", PatternBytes(1000, 1)),
                                                 FileInput("b", PatternBytes(1000, 2)),
                                                 FileInput("c", PatternBytes(1000, 3))};
    const PayloadImage image = WritePayload(settings, files, options);
    PayloadHeader header;
    ASSERT_EQ(ReadPayloadHeader(image.section, kPayloadEngineVersion, header).errorCode, 0);
    const std::size_t first = LoadU32(image.section.data() + header.DataOffset());
    const std::size_t item = WriteFileItem(files[0].record, files[0].readData()).size();
    EXPECT_EQ(first, 2 * item);
}

struct RefusedCase {
    const char* name;
    std::uint64_t fileSize;
    std::size_t blockSize;
};

class PayloadWriterRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(PayloadWriterRefuses, BeforeAnyDataIsWritten) {
    PayloadFileInput file;
    file.record.name = "big";
    file.size = GetParam().fileSize;
    bool opened = false;
    file.openData = [&opened] {
        opened = true;
        return PayloadDataReader([](std::span<std::uint8_t>) {});
    };
    PayloadWriteOptions options;
    options.blockSize = GetParam().blockSize;
    const std::vector<PayloadFileInput> files = {file};
    EXPECT_ANY_THROW(PayloadWriter(MinimalSettings(), files, options));
    EXPECT_FALSE(opened);
}

INSTANTIATE_TEST_SUITE_P(Cases, PayloadWriterRefuses,
                         testing::Values(RefusedCase{"FileAboveOneGiB", 0x40000001ull, 4096},
                                         RefusedCase{"ZeroBlockSize", 10, 0}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
