#include "format/pe_layout.h"

#include <cstring>

#include "format/byte_writer.h"

namespace vantrel {

PeLookup ReadPeLayout(const ReadAt& read) {
    PeLookup lookup;
    std::uint8_t word[2];
    if (!read(60, word, 2) || LoadU16(word) < 64 || LoadU16(word) > 4096) {
        lookup.errorCode = payload_error::kPeHeaderOffset;
        return lookup;
    }
    PeLayout& layout = lookup.layout;
    layout.peHeaderOffset = LoadU16(word);
    if (!read(layout.peHeaderOffset + 6u, word, 2) || LoadU16(word) < 4 || LoadU16(word) > 99) {
        lookup.errorCode = payload_error::kSectionCount;
        return lookup;
    }
    layout.sectionCount = LoadU16(word);
    if (!read(layout.peHeaderOffset + 20u, word, 2)) {
        lookup.errorCode = payload_error::kSectionCount;
        return lookup;
    }
    const std::uint16_t optionalHeaderSize = LoadU16(word);
    layout.sectionTableOffset = layout.peHeaderOffset + 24u + optionalHeaderSize;
    // PE32 keeps the security directory (entry 4) at optional-header offset 128.
    constexpr std::uint32_t kSecurityDirectory = 128;
    std::uint8_t directory[8];
    if (optionalHeaderSize >= kSecurityDirectory + 8 &&
        read(layout.peHeaderOffset + 24u + kSecurityDirectory, directory, sizeof directory)) {
        layout.certificateOffset = LoadU32(directory);
        layout.certificateSize = LoadU32(directory + 4);
    }
    for (std::uint32_t i = 0; i < layout.sectionCount; ++i) {
        std::uint8_t entry[kSectionEntrySize];
        const std::uint32_t offset = layout.sectionTableOffset + i * kSectionEntrySize;
        if (!read(offset, entry, sizeof entry))
            break;  // a cut-off table holds no payload
        PeSection section;
        std::memcpy(section.name.data(), entry, 8);
        section.virtualSize = LoadU32(entry + 8);
        section.virtualAddress = LoadU32(entry + 12);
        section.sizeOfRawData = LoadU32(entry + 16);
        section.pointerToRawData = LoadU32(entry + 20);
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
