#include "format/checksum.h"

namespace vantrel {

namespace {

std::uint32_t SignedByte(std::uint8_t byte) {
    // Sign-extend: 0xFF counts as -1, i.e. adds 0xFFFFFFFF modulo 2^32.
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(byte)));
}

}  // namespace

std::uint32_t Checksum(const std::uint8_t* data, std::ptrdiff_t length) {
    if (data == nullptr || length <= 0) {
        return kChecksumStart;
    }
    ChecksumAccumulator accumulator;
    accumulator.Add(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
    return accumulator.Finish();
}

std::uint32_t Checksum(std::span<const std::uint8_t> data) {
    return Checksum(data.data(), static_cast<std::ptrdiff_t>(data.size()));
}

void ChecksumAccumulator::Add(std::span<const std::uint8_t> chunk) {
    std::size_t i = 0;
    const std::size_t n = chunk.size();
    // Complete a group begun in an earlier chunk.
    while (pendingCount_ != 0 && i < n) {
        pending_ |= static_cast<std::uint32_t>(chunk[i]) << (8 * pendingCount_);
        ++i;
        if (++pendingCount_ == 4) {
            sum_ += pending_;
            pending_ = 0;
            pendingCount_ = 0;
        }
    }
    for (; i + 4 <= n; i += 4) {
        sum_ += static_cast<std::uint32_t>(chunk[i]) | (static_cast<std::uint32_t>(chunk[i + 1]) << 8) |
                (static_cast<std::uint32_t>(chunk[i + 2]) << 16) |
                (static_cast<std::uint32_t>(chunk[i + 3]) << 24);
    }
    for (; i < n; ++i) {
        pending_ |= static_cast<std::uint32_t>(chunk[i]) << (8 * pendingCount_);
        ++pendingCount_;
    }
    length_ += n;
}

std::uint32_t ChecksumAccumulator::Finish() const {
    if (length_ == 0) {
        return kChecksumStart;
    }
    std::uint32_t sum = sum_;
    for (int k = 0; k < pendingCount_; ++k) {
        sum += SignedByte(static_cast<std::uint8_t>(pending_ >> (8 * k)));
    }
    // Only the low 32 bits of the length matter in a sum modulo 2^32.
    return sum + static_cast<std::uint32_t>(length_);
}

}  // namespace vantrel
