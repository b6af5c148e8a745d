#include "format/checksum.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> out(count);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return out;
}

struct ChecksumCase {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint32_t expected;
};

TEST(ChecksumTest, KnownValues) {
    const std::vector<ChecksumCase> cases = {
        {"empty", {}, 0x79E2BC9Du},
        {"abc", Bytes("abc"), 0x79E2BDC6u},
        // One trailing 0xFF adds -1, then the length 1: the start value again.
        {"single 0xFF", {0xFF}, 0x79E2BC9Du},
        // Three trailing bytes are signed: 0x80 is -128, 0x7F is +127, 0xFF is -1.
        {"signed tail", {0x80, 0x7F, 0xFF}, 0x79E2BC9Du - 128u + 127u - 1u + 3u},
        // A complete group is one little-endian word, not four signed bytes.
        {"one group", {0x01, 0x02, 0x03, 0x04}, 0x79E2BC9Du + 0x04030201u + 4u},
        {"group then tail", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0x79E2BC9Du + 0xFFFFFFFFu - 1u + 5u},
        // The sum wraps modulo 2^32.
        {"wraps", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0x79E2BC9Du - 2u + 8u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Checksum(c.data.data(), static_cast<std::ptrdiff_t>(c.data.size())), c.expected);
        EXPECT_EQ(Checksum(c.data), c.expected);
        ChecksumAccumulator accumulator;
        accumulator.Add(c.data);
        EXPECT_EQ(accumulator.Finish(), c.expected);
    }
}

TEST(ChecksumTest, NullOrNonPositiveLengthGivesStartValue) {
    const std::vector<std::uint8_t> data = Bytes("abcdef");
    EXPECT_EQ(Checksum(nullptr, 6), kChecksumStart);
    EXPECT_EQ(Checksum(data.data(), 0), kChecksumStart);
    EXPECT_EQ(Checksum(data.data(), -1), kChecksumStart);
    EXPECT_EQ(Checksum(data.data(), std::numeric_limits<std::ptrdiff_t>::min()), kChecksumStart);
    // A positive length over the same buffer does count.
    EXPECT_NE(Checksum(data.data(), 6), kChecksumStart);
}

TEST(ChecksumTest, StreamingEqualsOneShotForAnyChunking) {
    const std::vector<std::uint8_t> data = RandomBytes(4099, 1);
    std::mt19937 rng(2);
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{4}, std::size_t{7},
                               std::size_t{1001}, data.size()}) {
        const std::span<const std::uint8_t> whole(data.data(), length);
        const std::uint32_t expected = Checksum(whole);
        for (int round = 0; round < 50; ++round) {
            SCOPED_TRACE(testing::Message() << "length " << length << " round " << round);
            // Chunks of 0 to 9 bytes straddle the 4-byte groups in every possible way.
            std::uniform_int_distribution<std::size_t> chunkSize(0, round < 25 ? 9 : 600);
            ChecksumAccumulator accumulator;
            std::size_t offset = 0;
            while (offset < length) {
                const std::size_t n = std::min(chunkSize(rng), length - offset);
                accumulator.Add(whole.subspan(offset, n));
                offset += n;
            }
            EXPECT_EQ(accumulator.Finish(), expected);
        }
    }
}

TEST(ChecksumTest, StreamingByteByByteMatchesTailRule) {
    // Every tail length 1 to 3 after whole groups, fed one byte at a time.
    for (std::size_t length = 1; length <= 12; ++length) {
        SCOPED_TRACE(length);
        const std::vector<std::uint8_t> data(length, 0xF0);
        ChecksumAccumulator accumulator;
        for (std::uint8_t b : data) {
            accumulator.Add(std::span<const std::uint8_t>(&b, 1));
        }
        std::uint32_t expected = kChecksumStart + static_cast<std::uint32_t>(length);
        expected += static_cast<std::uint32_t>(length / 4) * 0xF0F0F0F0u;
        expected -= static_cast<std::uint32_t>(length % 4) * 0x10u;  // 0xF0 is -16
        EXPECT_EQ(accumulator.Finish(), expected);
        EXPECT_EQ(Checksum(data), expected);
    }
}

}  // namespace
}  // namespace vantrel
