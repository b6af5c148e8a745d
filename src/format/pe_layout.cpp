#include "format/pe_layout.h"

#include <cstring>

namespace vantrel {
namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

PeLookup ReadPeLayout(const ReadAt& read) {
    PeLookup lookup;
    std::uint8_t word[2];
    if (!read(60, word, 2) || U16(word) < 64 || U16(word) > 4096) {
        lookup.errorCode = kErrorPeHeaderOffset;
        return lookup;
    }
    PeLayout& layout = lookup.layout;
    layout.peHeaderOffset = U16(word);
    if (!read(layout.peHeaderOffset + 6u, word, 2) || U16(word) < 4 || U16(word) > 99) {
        lookup.errorCode = kErrorSectionCount;
        return lookup;
    }
    layout.sectionCount = U16(word);
    if (!read(layout.peHeaderOffset + 20u, word, 2)) {
        lookup.errorCode = kErrorSectionCount;
        return lookup;
    }
    const std::uint16_t optionalHeaderSize = U16(word);
    layout.sectionTableOffset = layout.peHeaderOffset + 24u + optionalHeaderSize;
    // PE32 keeps the security directory (entry 4) at optional-header offset 128.
    constexpr std::uint32_t kSecurityDirectory = 128;
    std::uint8_t directory[8];
    if (optionalHeaderSize >= kSecurityDirectory + 8 &&
        read(layout.peHeaderOffset + 24u + kSecurityDirectory, directory, sizeof directory)) {
        layout.certificateOffset = U32(directory);
        layout.certificateSize = U32(directory + 4);
    }
    for (std::uint32_t i = 0; i < layout.sectionCount; ++i) {
        std::uint8_t entry[kSectionEntrySize];
        const std::uint32_t offset = layout.sectionTableOffset + i * kSectionEntrySize;
        if (!read(offset, entry, sizeof entry))
            break;  // a cut-off table holds no payload
        PeSection section;
        std::memcpy(section.name.data(), entry, 8);
        section.virtualSize = U32(entry + 8);
        section.virtualAddress = U32(entry + 12);
        section.sizeOfRawData = U32(entry + 16);
        section.pointerToRawData = U32(entry + 20);
        section.entryOffset = offset;
        if (!lookup.payloadIndex && std::memcmp(entry, kPayloadSectionName, 8) == 0) {
            lookup.payloadIndex = layout.sections.size();
        }
        layout.sections.push_back(section);
    }
    return lookup;
}

std::uint64_t DataAreaFileEnd(const PeLayout& layout, std::uint64_t fileSize, std::uint64_t dataStart,
                              std::uint64_t dataSize) {
    const std::uint64_t table = layout.certificateOffset;
    if (layout.certificateSize == 0 || table < dataStart || table + layout.certificateSize != fileSize)
        return fileSize;
    constexpr std::uint64_t kSignatureAlignment = 8;
    const std::uint64_t declaredEnd = dataStart + dataSize;
    if (declaredEnd <= table && table - declaredEnd < kSignatureAlignment)
        return declaredEnd;
    return table;
}

PeLookup ReadPeLayout(const std::uint8_t* image, std::size_t size) {
    return ReadPeLayout([image, size](std::uint64_t offset, void* out, std::size_t count) {
        if (offset > size || count > size - offset)
            return false;
        std::memcpy(out, image + offset, count);
        return true;
    });
}

}  // namespace vantrel
