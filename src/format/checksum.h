#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantrel {

// Start value of every payload checksum; also the result for an empty or missing buffer.
inline constexpr std::uint32_t kChecksumStart = 0x79E2BC9D;

// 32-bit additive sum over a buffer: each complete 4-byte group as a little-endian u32,
// the 1 to 3 trailing bytes each as a signed 8-bit value, then the length, all modulo 2^32.
// A null buffer or a length of 0 or less gives kChecksumStart.
std::uint32_t Checksum(const std::uint8_t* data, std::ptrdiff_t length);
std::uint32_t Checksum(std::span<const std::uint8_t> data);

// The same sum over data that arrives in pieces of any size, so that a large area can be
// verified block by block. Finish() equals Checksum() over the concatenation of all pieces.
class ChecksumAccumulator {
  public:
    void Add(std::span<const std::uint8_t> chunk);
    std::uint32_t Finish() const;

  private:
    std::uint32_t sum_ = kChecksumStart;
    std::uint64_t length_ = 0;
    // Bytes of a 4-byte group not yet complete at the end of the last chunk.
    std::uint32_t pending_ = 0;
    int pendingCount_ = 0;
};

}  // namespace vantrel
