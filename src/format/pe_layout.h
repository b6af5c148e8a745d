#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "format/payload_error_codes.h"

namespace vantrel {

inline constexpr char kPayloadSectionName[8] = {'.', 's', 'e', 't', 'u', 'p', 0, 0};
inline constexpr std::uint32_t kSectionEntrySize = 40;

struct PeSection {
    std::array<char, 8> name{};
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t entryOffset = 0;  // file offset of this section's table entry
};

struct PeLayout {
    std::uint32_t peHeaderOffset = 0;
    std::uint16_t sectionCount = 0;
    std::uint32_t sectionTableOffset = 0;
    // The signature's certificate table (a file offset and size; 0 when unsigned).
    std::uint32_t certificateOffset = 0;
    std::uint32_t certificateSize = 0;
    std::vector<PeSection> sections;
};

// Reads exactly `size` bytes at `offset`; false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, void* out, std::size_t size)>;

struct PeLookup {
    int errorCode = 0;  // 0, payload_error::kPeHeaderOffset or payload_error::kSectionCount
    PeLayout layout;
    std::optional<std::size_t> payloadIndex;  // index of ".setup" in layout.sections
};

// Where a data area stored after the payload section ends: the end of the file, or, when the
// file was signed after it was built, the start of the certificate table (signing appends it
// at the very end, after padding the file to a multiple of 8 bytes; that padding is not data
// either).
std::uint64_t DataAreaFileEnd(const PeLayout& layout, std::uint64_t fileSize, std::uint64_t dataStart,
                              std::uint64_t dataSize);

// Reads the PE headers and section table and finds the payload section.
PeLookup ReadPeLayout(const ReadAt& read);

// Same, over a file image in memory.
PeLookup ReadPeLayout(const std::uint8_t* image, std::size_t size);

}  // namespace vantrel
