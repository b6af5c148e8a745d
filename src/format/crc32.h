#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel {

// CRC-32 (the IEEE polynomial of zip and xz), continued from `previous` so data can arrive
// in pieces: Crc32(b, Crc32(a)) == Crc32(a + b). Used to check a written file against the
// data without holding the data.
std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t previous = 0);

}  // namespace vantrel
