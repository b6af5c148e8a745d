#include "format/icon_group.h"

namespace vantrel {
namespace {

std::uint32_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return ReadU16(bytes, at) | (ReadU16(bytes, at + 2) << 16);
}

void AppendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

std::optional<IconResources> SplitIconFile(std::span<const std::uint8_t> iconFile, std::uint16_t firstId) {
    constexpr std::size_t kHeaderSize = 6;
    constexpr std::size_t kEntrySize = 16;
    constexpr std::size_t kGroupEntryPrefix = 12;
    if (iconFile.size() < kHeaderSize || ReadU16(iconFile, 0) != 0 || ReadU16(iconFile, 2) != 1)
        return std::nullopt;
    const std::size_t count = ReadU16(iconFile, 4);
    if (count == 0 || iconFile.size() < kHeaderSize + count * kEntrySize || firstId + count - 1 > 0xFFFF)
        return std::nullopt;
    IconResources resources;
    AppendU16(resources.groupDirectory, 0);
    AppendU16(resources.groupDirectory, 1);
    AppendU16(resources.groupDirectory, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kEntrySize;
        const std::uint64_t size = ReadU32(iconFile, entry + 8);
        const std::uint64_t offset = ReadU32(iconFile, entry + 12);
        if (size == 0 || offset + size > iconFile.size())
            return std::nullopt;
        resources.images.push_back(
            iconFile.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
        resources.groupDirectory.insert(
            resources.groupDirectory.end(), iconFile.begin() + static_cast<std::ptrdiff_t>(entry),
            iconFile.begin() + static_cast<std::ptrdiff_t>(entry + kGroupEntryPrefix));
        AppendU16(resources.groupDirectory, static_cast<std::uint32_t>(firstId + i));
    }
    return resources;
}

}  // namespace vantrel
