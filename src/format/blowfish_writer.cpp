// The enciphering side lives apart from the reader so that the engine, which only
// deciphers, never links the exception it throws.
#include <algorithm>
#include <cstddef>
#include <limits>
#include <stdexcept>

#include "format/blowfish.h"
#include "format/byte_writer.h"

namespace vantrel {

std::vector<std::uint8_t> EncipherBuffer(std::span<const std::uint8_t> plain, const Blowfish& cipher) {
    // The trailer is a signed 32-bit length, and the enciphered size must still fit in it.
    constexpr std::size_t kMaxPlain = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - 16;
    if (plain.size() > kMaxPlain) {
        throw std::length_error("EncipherBuffer: plain data too large for the length trailer");
    }
    const std::size_t size = (plain.size() + kBlowfishTrailerSize + kBlowfishBlockSize - 1) /
                             kBlowfishBlockSize * kBlowfishBlockSize;
    std::vector<std::uint8_t> out(size, 0);
    std::copy(plain.begin(), plain.end(), out.begin());
    StoreU32(out.data() + size - kBlowfishTrailerSize, static_cast<std::uint32_t>(plain.size()));
    for (std::size_t offset = 0; offset < size; offset += kBlowfishBlockSize) {
        cipher.EncryptBlock(out.data() + offset);
    }
    return out;
}

}  // namespace vantrel
