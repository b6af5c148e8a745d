// inspect's decode-ahead: the walker serves the same records and ends with the same code
// whether its blocks are decoded ahead on other threads or by itself, damaged areas included.
#include "builder/block_decode_ahead.h"

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/xz_codec.h"
#include "payload_samples.h"

namespace vantrel {
namespace {

using test::FileInput;
using test::MinimalSettings;
using test::PatternBytes;

struct Walk {
    int code = 0;
    std::vector<std::string> names;
    std::vector<Bytes> data;
};

Walk WalkArea(const Bytes& area, const PayloadHeader& header, const Blowfish* cipher, unsigned threads) {
    MemoryDataAreaSource source(area);
    DataAreaWalker walker(source, header, true, cipher);
    std::optional<builder::BlockDecodeAhead> ahead;
    if (threads > 0) {
        ahead.emplace(area, true, cipher, threads);
        walker.decodeBlock = [&ahead](Bytes& stored) { return ahead->Decode(stored); };
    }
    Walk walk;
    for (;;) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        if (step.errorCode != 0 || step.finished) {
            walk.code = step.errorCode;
            return walk;
        }
        walk.names.push_back(file.record.name);
        walk.data.emplace_back(file.data.begin(), file.data.end());
    }
}

// A compressed payload of many small blocks; its data area, header and (optional) cipher.
struct Sample {
    Bytes area;
    PayloadHeader header;
    std::unique_ptr<Blowfish> cipher;
};

Sample MakeSample(bool encipher) {
    Settings settings = MinimalSettings();
    settings.productFlagsLow = product_flags::kCompressedBlocks;
    PayloadWriteOptions options;
    options.blockSize = 4096;
    options.xzPreset = 0;
    if (encipher)
        options.cipherKey = std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<PayloadFileInput> files;
    for (std::uint32_t i = 0; i < 12; ++i)
        files.push_back(FileInput("file" + std::to_string(i), PatternBytes(1500 + 900 * i, i)));
    const PayloadImage image = WritePayload(settings, files, options);
    Sample sample;
    EXPECT_EQ(ReadPayloadHeader(image.section, kPayloadEngineVersion, sample.header).errorCode, 0);
    sample.area.assign(image.section.begin() + static_cast<std::ptrdiff_t>(sample.header.DataOffset()),
                       image.section.end());
    if (sample.header.cipherKey)
        sample.cipher = std::make_unique<Blowfish>(*sample.header.cipherKey);
    return sample;
}

// Offset of the stored bytes of block `index` and their size.
std::pair<std::size_t, std::size_t> BlockAt(const Bytes& area, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < index; ++i)
        at += 8 + LoadU32(area.data() + at);
    return {at + 8, LoadU32(area.data() + at)};
}

TEST(BlockDecodeAhead, ServesTheSameRecordsAsDecodingInTurn) {
    for (const bool encipher : {false, true}) {
        const Sample s = MakeSample(encipher);
        const Walk alone = WalkArea(s.area, s.header, s.cipher.get(), 0);
        ASSERT_EQ(alone.code, 0);
        ASSERT_EQ(alone.names.size(), 12u);
        for (const unsigned threads : {1u, 2u, 5u}) {
            const Walk ahead = WalkArea(s.area, s.header, s.cipher.get(), threads);
            EXPECT_EQ(ahead.code, 0) << threads;
            EXPECT_EQ(ahead.names, alone.names) << threads;
            EXPECT_EQ(ahead.data, alone.data) << threads;
        }
    }
}

struct Damage {
    const char* name;
    std::size_t block;
    bool fixCheck;   // recompute the block's check, so that only decoding can fail
    bool breakSize;  // make the block's size run past the area
};

class BlockDecodeAheadDamage : public testing::TestWithParam<Damage> {};

TEST_P(BlockDecodeAheadDamage, EndsWithTheSameCodeAfterTheSameRecords) {
    Sample s = MakeSample(false);
    const auto [offset, size] = BlockAt(s.area, GetParam().block);
    if (GetParam().breakSize) {
        StoreU32(s.area.data() + offset - 8, static_cast<std::uint32_t>(s.area.size()));
    } else {
        s.area[offset + size / 2] ^= 0x5A;
        if (GetParam().fixCheck)
            StoreU32(s.area.data() + offset - 4, Checksum(std::span(s.area.data() + offset, size)));
    }
    const Walk alone = WalkArea(s.area, s.header, nullptr, 0);
    const Walk ahead = WalkArea(s.area, s.header, nullptr, 3);
    EXPECT_NE(alone.code, 0);
    EXPECT_EQ(ahead.code, alone.code);
    EXPECT_EQ(ahead.names, alone.names);
}

INSTANTIATE_TEST_SUITE_P(Table, BlockDecodeAheadDamage,
                         testing::Values(Damage{"UndecodableFirstBlock", 0, true, false},
                                         Damage{"UndecodableLaterBlock", 4, true, false},
                                         Damage{"WrongCheck", 3, false, false},
                                         Damage{"SizePastTheArea", 2, false, true}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace vantrel
