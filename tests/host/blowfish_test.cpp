#include "format/blowfish.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

std::array<std::uint8_t, 8> HexBlock(const std::string& hex) {
    std::array<std::uint8_t, 8> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    }
    return out;
}

// Our key schedule reads the key as little-endian words where the usual one reads them
// big-endian, so the reference vectors apply with each 4-byte half reversed.
std::array<std::uint8_t, 8> FromStandardKey(const std::array<std::uint8_t, 8>& k) {
    return {k[3], k[2], k[1], k[0], k[7], k[6], k[5], k[4]};
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Published 8-byte-key ECB reference vectors, keys in the usual byte order.
constexpr KnownAnswer kKnownAnswers[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
};

TEST(BlowfishTest, KnownAnswerVectors) {
    for (const auto& v : kKnownAnswers) {
        SCOPED_TRACE(v.key);
        const Blowfish cipher(FromStandardKey(HexBlock(v.key)));
        std::array<std::uint8_t, 8> block = HexBlock(v.plain);
        cipher.EncryptBlock(block.data());
        EXPECT_EQ(block, HexBlock(v.cipher));
        cipher.DecryptBlock(block.data());
        EXPECT_EQ(block, HexBlock(v.plain));
    }
}

TEST(BlowfishTest, KeyBytesAreReadAsLittleEndianWords) {
    // Without the half reversal a non-palindromic key gives a different cipher.
    const auto key = HexBlock("0123456789ABCDEF");
    std::array<std::uint8_t, 8> block = HexBlock("1111111111111111");
    Blowfish(key).EncryptBlock(block.data());
    EXPECT_NE(block, HexBlock("61F9C3802281B096"));
}

const Blowfish& TestCipher() {
    static const Blowfish cipher({0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE});
    return cipher;
}

TEST(BlowfishTest, EncipherDecipherRoundTrip) {
    for (std::size_t length = 0; length <= 40; ++length) {
        SCOPED_TRACE(length);
        std::vector<std::uint8_t> plain(length);
        for (std::size_t i = 0; i < length; ++i) {
            plain[i] = static_cast<std::uint8_t>(i * 37 + 5);
        }
        std::vector<std::uint8_t> buffer = EncipherBuffer(plain, TestCipher());
        EXPECT_EQ(buffer.size(), (length + 4 + 7) / 8 * 8);
        EXPECT_TRUE(DecipherBuffer(buffer, TestCipher()));
        EXPECT_EQ(buffer, plain);
    }
}

TEST(BlowfishTest, EncipheredLayoutIsPaddingThenLengthTrailer) {
    const std::vector<std::uint8_t> plain = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> buffer = EncipherBuffer(plain, TestCipher());
    ASSERT_EQ(buffer.size(), 16u);
    for (std::size_t offset = 0; offset < buffer.size(); offset += 8) {
        TestCipher().DecryptBlock(buffer.data() + offset);
    }
    const std::vector<std::uint8_t> expected = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 9, 0, 0, 0};
    EXPECT_EQ(buffer, expected);
}

// An enciphered buffer of `size` bytes whose deciphered trailer claims `claimed` bytes.
std::vector<std::uint8_t> WithTrailer(std::size_t size, std::int32_t claimed) {
    std::vector<std::uint8_t> buffer(size, 0xA5);
    const auto word = static_cast<std::uint32_t>(claimed);
    for (std::size_t i = 0; i < 4; ++i) {
        buffer[size - 4 + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
    for (std::size_t offset = 0; offset < size; offset += 8) {
        TestCipher().EncryptBlock(buffer.data() + offset);
    }
    return buffer;
}

TEST(BlowfishTest, TrailerLengthBounds) {
    struct Case {
        std::size_t size;
        std::int32_t claimed;
        bool accepted;
    };
    const Case cases[] = {
        {24, 24 - 12, true}, {24, 24 - 4, true}, {24, 24 - 13, false}, {24, 24 - 3, false},
        {24, 24, false},     {24, -1, false},    {24, 16, true},       {8, 0, true},
        {8, 4, true},        {8, 5, false},      {8, -1, false},       {8, -4, false},
        {16, 4, true},       {16, 3, false},     {16, 12, true},       {16, 0x7FFFFFFF, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " claimed " << c.claimed);
        std::vector<std::uint8_t> buffer = WithTrailer(c.size, c.claimed);
        EXPECT_EQ(DecipherBuffer(buffer, TestCipher()), c.accepted);
        if (c.accepted) {
            ASSERT_EQ(buffer.size(), static_cast<std::size_t>(c.claimed));
            for (std::uint8_t b : buffer) {
                EXPECT_EQ(b, 0xA5);
            }
        } else {
            EXPECT_TRUE(buffer.empty());
        }
    }
}

TEST(BlowfishTest, RejectsLengthsThatAreNotWholeBlocks) {
    for (std::size_t size : {0u, 1u, 4u, 7u, 9u, 15u, 17u}) {
        SCOPED_TRACE(size);
        std::vector<std::uint8_t> buffer(size, 0);
        EXPECT_FALSE(DecipherBuffer(buffer, TestCipher()));
        EXPECT_TRUE(buffer.empty());
    }
}

}  // namespace
}  // namespace vantrel
