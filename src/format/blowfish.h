#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantrel {

// Cipher block size, and the bytes at the end of a scrambled buffer that hold the plain length.
inline constexpr std::size_t kBlowfishBlockSize = 8;
inline constexpr std::size_t kBlowfishTrailerSize = 4;

// Blowfish (16 rounds, standard initial tables) as used by the payload scrambling.
// The key schedule reads the 8-byte key as two little-endian u32 words, so our key bytes
// k3 k2 k1 k0 k7 k6 k5 k4 behave like the standard key k0..k7. Blocks are processed one by
// one (ECB), each half read and written as a big-endian u32.
class Blowfish {
  public:
    explicit Blowfish(const std::array<std::uint8_t, 8>& key);

    void EncryptBlock(std::uint8_t* block8) const;
    void DecryptBlock(std::uint8_t* block8) const;

  private:
    std::uint32_t Feistel(std::uint32_t x) const;
    void Encrypt(std::uint32_t& left, std::uint32_t& right) const;
    void Decrypt(std::uint32_t& left, std::uint32_t& right) const;

    std::array<std::uint32_t, 18> p_;
    std::array<std::uint32_t, 1024> s_;
};

// Deciphers a scrambled buffer in place. Its length must be a multiple of 8 and at least 8;
// the deciphered last 4 bytes hold the plain length L as a little-endian i32, which must lie
// between length - 12 and length - 4 inclusive (and not be negative), and the buffer is cut
// to L. On any failure
// the buffer is emptied and false is returned.
bool DecipherBuffer(std::vector<std::uint8_t>& buffer, const Blowfish& cipher);

// The inverse, for the builder: pads the plain data with zeros to leave room for a 4-byte
// length trailer at the end of a whole number of blocks, then enciphers every block
// (blowfish_writer.cpp).
// Throws std::length_error when the plain length does not fit the 32-bit trailer.
std::vector<std::uint8_t> EncipherBuffer(std::span<const std::uint8_t> plain, const Blowfish& cipher);

}  // namespace vantrel
