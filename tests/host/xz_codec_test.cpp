#include "format/xz_codec.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lzma.h>

#include "support/machine_code.h"
#include "support/xz_bomb.h"

namespace vantrel {
namespace {

// An output limit that the ordinary cases below never reach.
constexpr std::uint64_t kRoomy = 64u << 20;

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(count);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

// Text-like runs mixed with random stretches: compressible, but not trivially so.
std::vector<std::uint8_t> MixedBytes(std::size_t count) {
    std::mt19937 rng(7);
    const std::string words[] = {"install ", "folder ", "registry ", "shortcut ", "\r\n", "Vantrel "};
    std::vector<std::uint8_t> out;
    out.reserve(count);
    while (out.size() < count) {
        if (rng() % 4 == 0) {
            for (int i = 0; i < 32 && out.size() < count; ++i) {
                out.push_back(static_cast<std::uint8_t>(rng()));
            }
        } else {
            for (char c : words[rng() % std::size(words)]) {
                if (out.size() < count) {
                    out.push_back(static_cast<std::uint8_t>(c));
                }
            }
        }
    }
    return out;
}

struct RoundTripCase {
    const char* name;
    std::vector<std::uint8_t> data;
};

TEST(XzCodecTest, RoundTrips) {
    const std::vector<RoundTripCase> cases = {
        {"empty", {}},
        {"small", {'h', 'e', 'l', 'l', 'o'}},
        {"1 MiB mixed", MixedBytes(1 << 20)},
        // Larger than one 16 KiB input piece even after compression.
        {"incompressible 100 KiB", RandomBytes(100 * 1024, 3)},
        {"exactly one output piece", std::vector<std::uint8_t>(16384, 'x')},
    };
    // Preset 0 exercises the same decoder paths as the builder's default, in a fraction of the time.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> buffer = XzEncode(c.data, 0);
        ASSERT_FALSE(buffer.empty());
        EXPECT_TRUE(XzDecode(buffer, kRoomy));
        EXPECT_EQ(buffer, c.data);
    }
}

TEST(XzCodecTest, IncompressibleInputIsFedInSeveralPieces) {
    const std::vector<std::uint8_t> data = RandomBytes(70000, 4);
    std::vector<std::uint8_t> buffer = XzEncode(data, 0);
    ASSERT_GT(buffer.size(), 4u * 16384u);
    EXPECT_TRUE(XzDecode(buffer, kRoomy));
    EXPECT_EQ(buffer, data);
}

TEST(XzCodecTest, EncoderIsDeterministicAndHonoursPresets) {
    const std::vector<std::uint8_t> data = MixedBytes(200000);
    const std::vector<std::uint8_t> fast = XzEncode(data, 0);
    EXPECT_EQ(XzEncode(data, 0), fast);
    const std::vector<std::uint8_t> other = XzEncode(data, 1, true);
    EXPECT_NE(fast, other);
    for (const auto* encoded : {&fast, &other}) {
        std::vector<std::uint8_t> buffer = *encoded;
        EXPECT_TRUE(XzDecode(buffer, kRoomy));
        EXPECT_EQ(buffer, data);
    }
}

struct CodeCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool code;
};

TEST(XzCodecTest, MachineCodeIsToldFromOtherBytes) {
    std::vector<std::uint8_t> sparseCalls = MixedBytes(100000);
    for (std::size_t at = 0; at + 5 < sparseCalls.size(); at += 2000) {
        sparseCalls[at] = 0xE8;
        sparseCalls[at + 4] = 0x00;
    }
    const std::vector<CodeCase> cases = {
        {"empty", {}, false},
        {"random", RandomBytes(100000, 5), false},
        {"text", MixedBytes(100000), false},
        {"a near call every 2000 bytes", sparseCalls, false},
        {"code", test::CallingCode(100000), true},
        {"a little code alone", test::CallingCode(600), false},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LooksLikeX86Code(c.bytes), c.code);
    }
}

// The stream names its filters in the block header: its size byte, the flags byte (the number
// of filters less one in the low bits), then each filter's id and property size. The x86
// filter (id 4, no properties) comes before LZMA2 (id 0x21, one property byte).
TEST(XzCodecTest, TheX86FilterStandsInTheBlockHeaderAndPays) {
    constexpr std::size_t kBlockHeader = 12;  // after the stream header
    const std::vector<std::uint8_t> code = test::CallingCode(300000);
    const std::vector<std::uint8_t> filtered = XzEncode(code, 6, false, true);
    const std::vector<std::uint8_t> plain = XzEncode(code, 6);
    ASSERT_GT(filtered.size(), kBlockHeader + 6);
    EXPECT_EQ(filtered[kBlockHeader + 1], 0x01);
    EXPECT_EQ(filtered[kBlockHeader + 2], 0x04);
    EXPECT_EQ(filtered[kBlockHeader + 3], 0x00);
    EXPECT_EQ(filtered[kBlockHeader + 4], 0x21);
    EXPECT_EQ(filtered[kBlockHeader + 5], 0x01);
    EXPECT_EQ(plain[kBlockHeader + 1], 0x00);
    EXPECT_EQ(plain[kBlockHeader + 2], 0x21);
    EXPECT_LT(filtered.size(), plain.size());
    EXPECT_EQ(XzEncode(code, 6, false, true), filtered);
    std::vector<std::uint8_t> buffer = filtered;
    EXPECT_TRUE(XzDecode(buffer, kRoomy));
    EXPECT_EQ(buffer, code);
}

TEST(XzCodecTest, EncoderRejectsInvalidPreset) {
    const std::vector<std::uint8_t> data = {1, 2, 3};
    EXPECT_THROW(XzEncode(data, 10), std::runtime_error);
}

TEST(XzCodecTest, ConcatenatedStreamsDecodeToConcatenation) {
    const std::vector<std::uint8_t> first = MixedBytes(30000);
    const std::vector<std::uint8_t> second = RandomBytes(20000, 5);
    std::vector<std::uint8_t> buffer = XzEncode(first);
    const std::vector<std::uint8_t> encodedSecond = XzEncode(second);
    buffer.insert(buffer.end(), encodedSecond.begin(), encodedSecond.end());

    std::vector<std::uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_TRUE(XzDecode(buffer, kRoomy));
    EXPECT_EQ(buffer, expected);
}

TEST(XzCodecTest, DamagedInputFails) {
    const std::vector<std::uint8_t> data = MixedBytes(50000);
    const std::vector<std::uint8_t> encoded = XzEncode(data);
    ASSERT_GT(encoded.size(), 100u);

    std::vector<std::uint8_t> corrupted = encoded;
    corrupted[corrupted.size() / 2] ^= 0x55;
    std::vector<std::uint8_t> truncated(encoded.begin(), encoded.end() - 20);
    std::vector<std::uint8_t> headerOnly(encoded.begin(), encoded.begin() + 12);
    std::vector<std::uint8_t> trailingGarbage = encoded;
    trailingGarbage.insert(trailingGarbage.end(), {'j', 'u', 'n', 'k', '!', '!', '!', '!'});

    const std::vector<RoundTripCase> cases = {
        {"corrupted", corrupted},
        {"truncated", truncated},
        {"header only", headerOnly},
        {"garbage", RandomBytes(5000, 6)},
        {"text", {'n', 'o', 't', ' ', 'x', 'z'}},
        {"empty input", {}},
        {"trailing garbage", trailingGarbage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> buffer = c.data;
        EXPECT_FALSE(XzDecode(buffer, kRoomy));
        EXPECT_TRUE(buffer.empty());
    }
}

TEST(XzCodecTest, OutputLimitAdmitsExactlyTheLimit) {
    const std::vector<std::uint8_t> data = MixedBytes(100000);
    const std::vector<std::uint8_t> encoded = XzEncode(data);
    std::vector<std::uint8_t> buffer = encoded;
    EXPECT_TRUE(XzDecode(buffer, data.size()));
    EXPECT_EQ(buffer, data);
    buffer = encoded;
    EXPECT_FALSE(XzDecode(buffer, data.size() - 1));
    EXPECT_TRUE(buffer.empty());
}

TEST(XzCodecTest, OutputLimitCoversAllConcatenatedStreams) {
    const std::vector<std::uint8_t> part = MixedBytes(30000);
    std::vector<std::uint8_t> twice = XzEncode(part);
    const std::vector<std::uint8_t> second = XzEncode(part);
    twice.insert(twice.end(), second.begin(), second.end());
    std::vector<std::uint8_t> buffer = twice;
    EXPECT_FALSE(XzDecode(buffer, part.size() * 2 - 1));
    buffer = twice;
    EXPECT_TRUE(XzDecode(buffer, part.size() * 2));
}

TEST(XzCodecTest, DecompressionBombStopsAtTheLimit) {
    std::vector<std::uint8_t> buffer = test::XzBomb(std::uint64_t{4} << 30);
    ASSERT_LT(buffer.size(), 1u << 20);
    EXPECT_FALSE(XzDecode(buffer, 1u << 20));
    EXPECT_TRUE(buffer.empty());
}

// Rewrites the dictionary size in the first block header of a single-filter stream from
// the encoder (LZMA2 properties byte; 40 means 4 GiB - 1) and fixes the header's CRC32.
std::vector<std::uint8_t> WithDictionaryCode(std::vector<std::uint8_t> stream, std::uint8_t code) {
    constexpr std::size_t kBlock = 12;  // after the stream header
    const std::size_t headerSize = (stream.at(kBlock) + 1u) * 4u;
    const std::uint8_t flags = stream.at(kBlock + 1);
    EXPECT_EQ(flags, 0u) << "the encoder is expected to write no sizes and one filter";
    EXPECT_EQ(stream.at(kBlock + 2), 0x21u);  // LZMA2
    EXPECT_EQ(stream.at(kBlock + 3), 1u);     // one properties byte
    stream.at(kBlock + 4) = code;
    const std::uint32_t crc = lzma_crc32(stream.data() + kBlock, headerSize - 4, 0);
    for (std::size_t i = 0; i < 4; ++i)
        stream.at(kBlock + headerSize - 4 + i) = static_cast<std::uint8_t>(crc >> (8 * i));
    return stream;
}

TEST(XzCodecTest, TheStrongestPresetsDictionaryDecodesUnderASmallOutputLimit) {
    // A stream written by another encoder at its strongest preset names a 64 MiB dictionary
    // (code 28) for a small output, and must still be allowed.
    const std::vector<std::uint8_t> data = MixedBytes(1000);
    std::vector<std::uint8_t> buffer = WithDictionaryCode(XzEncode(data, 9, true), 28);
    EXPECT_TRUE(XzDecode(buffer, data.size()));
    EXPECT_EQ(buffer, data);
}

TEST(XzCodecTest, TheDictionaryIsNoLargerThanTheInputNeeds) {
    // LZMA2's dictionary code: 0 is 4 KiB, each step up is half a power of two more.
    const struct {
        std::size_t inputSize;
        std::uint32_t preset;
        std::uint8_t code;
    } cases[] = {
        {1000, 9, 0},     // 4 KiB holds it, whatever the preset
        {4097, 6, 2},     // just past 4 KiB: 8 KiB
        {300000, 0, 12},  // more than preset 0's 256 KiB: the preset's own
        {300000, 6, 14},  // 512 KiB, not preset 6's 8 MiB
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> data = MixedBytes(c.inputSize);
        std::vector<std::uint8_t> encoded = XzEncode(data, c.preset);
        EXPECT_EQ(encoded.at(16), c.code) << c.inputSize << " bytes, preset " << c.preset;
        ASSERT_TRUE(XzDecode(encoded, kRoomy));
        EXPECT_EQ(encoded, data);
    }
}

TEST(XzCodecTest, ADictionaryBeyondAnyPresetIsRefusedBeforeItIsAllocated) {
    const std::vector<std::uint8_t> data = MixedBytes(1000);
    const std::vector<std::uint8_t> encoded = XzEncode(data, 1);
    // The same stream with its own small dictionary code still decodes: the patch is sound.
    std::vector<std::uint8_t> buffer = WithDictionaryCode(encoded, encoded.at(16));
    ASSERT_TRUE(XzDecode(buffer, kRoomy));
    EXPECT_EQ(buffer, data);
    buffer = WithDictionaryCode(encoded, 40);
    EXPECT_FALSE(XzDecode(buffer, kRoomy));
    EXPECT_TRUE(buffer.empty());
}

// A clock that advances by a fixed step each time it is read.
struct SteppingClock {
    std::uint64_t now = 1000;
    std::uint64_t step = 0;
    std::uint64_t operator()() {
        const std::uint64_t current = now;
        now += step;
        return current;
    }
};

struct ProgressCall {
    std::uint64_t consumed;
    std::uint64_t length;
    std::uint64_t outputTimesEight;
    std::uint64_t at;
};

TEST(XzCodecTest, ProgressIsReportedWithSaneNumbers) {
    const std::vector<std::uint8_t> data = RandomBytes(300000, 8);
    const std::vector<std::uint8_t> encoded = XzEncode(data, 0);

    std::uint64_t clock = 0;
    std::vector<ProgressCall> calls;
    XzProgress progress;
    progress.nowMs = [&clock] {
        clock += 70;
        return clock;
    };
    progress.callback = [&](std::uint64_t consumed, std::uint64_t length, std::uint64_t outputTimesEight) {
        calls.push_back({consumed, length, outputTimesEight, clock});
        return false;
    };

    std::vector<std::uint8_t> buffer = encoded;
    ASSERT_TRUE(XzDecode(buffer, kRoomy, &progress));
    EXPECT_EQ(buffer, data);

    ASSERT_GE(calls.size(), 3u);
    std::uint64_t previousAt = 70;  // the reading taken when decoding started
    std::uint64_t previousConsumed = 0;
    std::uint64_t previousOutput = 0;
    for (const auto& call : calls) {
        EXPECT_EQ(call.length, encoded.size());
        EXPECT_LE(call.consumed, call.length);
        EXPECT_GE(call.consumed, previousConsumed);
        EXPECT_EQ(call.outputTimesEight % 8, 0u);
        EXPECT_LE(call.outputTimesEight, 8u * data.size());
        EXPECT_GE(call.outputTimesEight, previousOutput);
        // With readings 70 ms apart, the first one past 200 ms is 210 ms later.
        EXPECT_EQ(call.at - previousAt, 210u);
        previousAt = call.at;
        previousConsumed = call.consumed;
        previousOutput = call.outputTimesEight;
    }
    EXPECT_GT(previousOutput, 0u);
}

TEST(XzCodecTest, ProgressWaitsMoreThanTheInterval) {
    const std::vector<std::uint8_t> encoded = XzEncode(RandomBytes(300000, 9), 0);
    struct Case {
        std::uint64_t step;
        bool expectCalls;
    };
    // A stopped clock never reports; any clock that moves on past 200 ms does.
    const Case cases[] = {{0, false}, {201, true}, {100, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        std::uint64_t clock = 5000;
        int count = 0;
        XzProgress progress;
        progress.nowMs = [&clock, &c] {
            clock += c.step;
            return clock;
        };
        progress.callback = [&count](std::uint64_t, std::uint64_t, std::uint64_t) {
            ++count;
            return false;
        };
        std::vector<std::uint8_t> buffer = encoded;
        EXPECT_TRUE(XzDecode(buffer, kRoomy, &progress));
        EXPECT_EQ(count > 0, c.expectCalls);
    }
}

TEST(XzCodecTest, ProgressAtExactlyTheIntervalIsNotReported) {
    const std::vector<std::uint8_t> encoded = XzEncode(RandomBytes(300000, 10), 0);
    // The first reading (start) is 0, every later one 200: never more than 200 ms apart.
    bool first = true;
    int count = 0;
    XzProgress progress;
    progress.nowMs = [&first]() -> std::uint64_t {
        const bool wasFirst = first;
        first = false;
        return wasFirst ? 0 : 200;
    };
    progress.callback = [&count](std::uint64_t, std::uint64_t, std::uint64_t) {
        ++count;
        return false;
    };
    std::vector<std::uint8_t> buffer = encoded;
    EXPECT_TRUE(XzDecode(buffer, kRoomy, &progress));
    EXPECT_EQ(count, 0);
}

TEST(XzCodecTest, ProgressReturningTrueAbortsDecoding) {
    const std::vector<std::uint8_t> encoded = XzEncode(RandomBytes(300000, 11), 0);
    std::uint64_t clock = 0;
    int count = 0;
    XzProgress progress;
    progress.nowMs = [&clock] { return clock += 1000; };
    progress.callback = [&count](std::uint64_t, std::uint64_t, std::uint64_t) { return ++count == 2; };
    std::vector<std::uint8_t> buffer = encoded;
    EXPECT_FALSE(XzDecode(buffer, kRoomy, &progress));
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(count, 2);
}

TEST(XzCodecTest, ProgressWithoutCallbackIsIgnored) {
    const std::vector<std::uint8_t> data = MixedBytes(40000);
    XzProgress progress;  // no callback, no clock
    std::vector<std::uint8_t> buffer = XzEncode(data);
    EXPECT_TRUE(XzDecode(buffer, kRoomy, &progress));
    EXPECT_EQ(buffer, data);
}

}  // namespace
}  // namespace vantrel
