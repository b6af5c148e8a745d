#include "format/blowfish.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "format/blowfish_tables.h"
#include "format/byte_writer.h"

namespace vantrel {

namespace {

constexpr int kRounds = 16;
constexpr std::size_t kBlockSize = kBlowfishBlockSize;
constexpr std::size_t kTrailerSize = kBlowfishTrailerSize;

std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

void StoreBigEndian(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

Blowfish::Blowfish(const std::array<std::uint8_t, 8>& key)
    : p_(blowfish_tables::kInitialP), s_(blowfish_tables::kInitialS) {
    const std::array<std::uint32_t, 2> words = {LoadU32(key.data()), LoadU32(key.data() + 4)};
    for (std::size_t i = 0; i < p_.size(); ++i) {
        p_[i] ^= words[i % 2];
    }
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    for (std::size_t i = 0; i < p_.size(); i += 2) {
        Encrypt(left, right);
        p_[i] = left;
        p_[i + 1] = right;
    }
    for (std::size_t i = 0; i < s_.size(); i += 2) {
        Encrypt(left, right);
        s_[i] = left;
        s_[i + 1] = right;
    }
}

std::uint32_t Blowfish::Feistel(std::uint32_t x) const {
    const std::uint32_t a = s_[x >> 24];
    const std::uint32_t b = s_[256 + ((x >> 16) & 0xFF)];
    const std::uint32_t c = s_[512 + ((x >> 8) & 0xFF)];
    const std::uint32_t d = s_[768 + (x & 0xFF)];
    return ((a + b) ^ c) + d;
}

void Blowfish::Encrypt(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (std::size_t i = 0; i < kRounds; ++i) {
        l ^= p_[i];
        r ^= Feistel(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p_[kRounds];
    l ^= p_[kRounds + 1];
    left = l;
    right = r;
}

void Blowfish::Decrypt(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (std::size_t i = kRounds + 1; i > 1; --i) {
        l ^= p_[i];
        r ^= Feistel(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p_[1];
    l ^= p_[0];
    left = l;
    right = r;
}

void Blowfish::EncryptBlock(std::uint8_t* block8) const {
    std::uint32_t left = LoadBigEndian(block8);
    std::uint32_t right = LoadBigEndian(block8 + 4);
    Encrypt(left, right);
    StoreBigEndian(block8, left);
    StoreBigEndian(block8 + 4, right);
}

void Blowfish::DecryptBlock(std::uint8_t* block8) const {
    std::uint32_t left = LoadBigEndian(block8);
    std::uint32_t right = LoadBigEndian(block8 + 4);
    Decrypt(left, right);
    StoreBigEndian(block8, left);
    StoreBigEndian(block8 + 4, right);
}

bool DecipherBuffer(std::vector<std::uint8_t>& buffer, const Blowfish& cipher) {
    const std::size_t size = buffer.size();
    if (size < kBlockSize || size % kBlockSize != 0) {
        buffer.clear();
        return false;
    }
    for (std::size_t offset = 0; offset < size; offset += kBlockSize) {
        cipher.DecryptBlock(buffer.data() + offset);
    }
    // Compared in 64 bits so that neither a negative length nor a huge buffer can wrap.
    const std::int64_t plain = static_cast<std::int32_t>(LoadU32(buffer.data() + size - kTrailerSize));
    const auto enciphered = static_cast<std::int64_t>(size);
    // For an 8-byte buffer the lower bound is negative; a negative length is never valid.
    if (plain < 0 || plain < enciphered - 12 ||
        plain > enciphered - static_cast<std::int64_t>(kTrailerSize)) {
        buffer.clear();
        return false;
    }
    buffer.resize(static_cast<std::size_t>(plain));
    return true;
}

}  // namespace vantrel
