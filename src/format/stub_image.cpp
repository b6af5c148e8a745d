#include "format/stub_image.h"

#include <cstring>

#include "format/byte_writer.h"

namespace vantrel {

Bytes BuildStubImage(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                     const PeLayout& layout, std::size_t sectionIndex) {
    if (sectionIndex >= layout.sections.size())
        return {};
    const std::uint32_t pe = layout.peHeaderOffset;
    const std::uint64_t tableEnd =
        layout.sectionTableOffset + std::uint64_t{kSectionEntrySize} * layout.sections.size();
    if (pe + 84u > before.size() || tableEnd > before.size())
        return {};
    Bytes image(before.begin(), before.end());
    image.insert(image.end(), after.begin(), after.end());
    std::uint8_t* p = image.data();
    const std::uint32_t rawSize = layout.sections[sectionIndex].sizeOfRawData;

    StoreU16(p + pe + 6, static_cast<std::uint16_t>(LoadU16(p + pe + 6) - 1));
    StoreU32(p + pe + 32, LoadU32(p + pe + 32) - rawSize);
    StoreU32(p + pe + 80, LoadU32(p + pe + 80) - rawSize);
    const std::size_t count = layout.sections.size();
    for (std::size_t i = sectionIndex + 1; i < count; ++i) {
        std::uint8_t* to = p + layout.sectionTableOffset + (i - 1) * kSectionEntrySize;
        std::memcpy(to, p + layout.sectionTableOffset + i * kSectionEntrySize, kSectionEntrySize);
        StoreU32(to + 20, LoadU32(to + 20) - rawSize);
    }
    std::memset(p + layout.sectionTableOffset + (count - 1) * kSectionEntrySize, 0, kSectionEntrySize);
    return image;
}

}  // namespace vantrel
