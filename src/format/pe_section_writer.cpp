#include "format/pe_section_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "format/byte_writer.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kMemRead = 0x40000000;

std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
    if (alignment == 0)
        return value;
    return (value + alignment - 1) / alignment * alignment;
}

void Require(bool condition, const char* what) {
    if (!condition)
        throw std::invalid_argument(what);
}

}  // namespace

Bytes AppendSectionHeaders(const Bytes& exe, const char name[8], std::uint64_t sectionSize,
                           std::uint64_t trailingSize, std::uint64_t* paddingAfter) {
    Require(sectionSize != 0, "empty section");
    Require(exe.size() >= 64 && exe[0] == 'M' && exe[1] == 'Z', "not a program file");
    const std::uint32_t pe = LoadU32(exe.data() + 60);
    Require(pe <= exe.size() - 24 && std::memcmp(exe.data() + pe, "PE\0\0", 4) == 0, "no PE header");
    const std::uint16_t sections = LoadU16(exe.data() + pe + 6);
    const std::uint16_t optionalSize = LoadU16(exe.data() + pe + 20);
    const std::uint32_t optional = pe + 24;
    Require(optionalSize >= 64 && optional + optionalSize <= exe.size(), "optional header cut off");
    const std::uint16_t magic = LoadU16(exe.data() + optional);
    Require(magic == 0x10B || magic == 0x20B, "unknown optional header");
    const std::uint32_t sectionAlignment = LoadU32(exe.data() + optional + 32);
    const std::uint32_t fileAlignment = LoadU32(exe.data() + optional + 36);
    const std::uint32_t sizeOfHeaders = LoadU32(exe.data() + optional + 60);
    Require(sectionAlignment != 0 && fileAlignment != 0, "zero alignment");
    const std::uint32_t table = optional + optionalSize;
    const std::uint64_t tableEnd = table + std::uint64_t{sections} * 40;
    Require(tableEnd <= exe.size(), "section table cut off");

    std::uint64_t virtualEnd = 0;
    std::uint32_t firstRaw = 0xFFFFFFFF;
    for (std::uint32_t i = 0; i < sections; ++i) {
        const std::uint8_t* entry = exe.data() + table + i * 40;
        const std::uint32_t vsize = LoadU32(entry + 8);
        const std::uint32_t va = LoadU32(entry + 12);
        const std::uint32_t rawSize = LoadU32(entry + 16);
        const std::uint32_t rawPointer = LoadU32(entry + 20);
        virtualEnd = std::max<std::uint64_t>(
            virtualEnd, AlignUp(va + std::uint64_t{std::max(vsize, rawSize)}, sectionAlignment));
        if (rawSize != 0 && rawPointer != 0)
            firstRaw = std::min(firstRaw, rawPointer);
    }
    // The new entry must fit in the headers without touching any section's data.
    Require(tableEnd + 40 <= std::min<std::uint64_t>(sizeOfHeaders, firstRaw), "no room for another section");
    for (std::uint64_t i = tableEnd; i < tableEnd + 40; ++i)
        Require(exe[static_cast<std::size_t>(i)] == 0, "no room for another section");

    const std::uint64_t rawPointer = AlignUp(exe.size(), fileAlignment);
    const std::uint64_t alignedRaw = AlignUp(sectionSize, fileAlignment);
    const std::uint64_t rawSize =
        trailingSize == 0 ? alignedRaw : std::min<std::uint64_t>(alignedRaw, sectionSize + trailingSize);
    const std::uint64_t virtualAddress = virtualEnd;
    const std::uint64_t imageSize = AlignUp(virtualAddress + sectionSize, sectionAlignment);
    Require(sectionSize <= 0xFFFFFFFFu && rawPointer + rawSize <= 0xFFFFFFFFu && imageSize <= 0xFFFFFFFFu,
            "image too large");

    Bytes out = exe;
    out.resize(static_cast<std::size_t>(rawPointer), 0);
    std::uint8_t* entry = out.data() + static_cast<std::size_t>(tableEnd);
    std::memcpy(entry, name, 8);
    StoreU32(entry + 8, static_cast<std::uint32_t>(sectionSize));
    StoreU32(entry + 12, static_cast<std::uint32_t>(virtualAddress));
    StoreU32(entry + 16, static_cast<std::uint32_t>(rawSize));
    StoreU32(entry + 20, static_cast<std::uint32_t>(rawPointer));
    StoreU32(entry + 36, kInitializedData | kMemRead);
    StoreU16(out.data() + pe + 6, static_cast<std::uint16_t>(sections + 1));
    StoreU32(out.data() + optional + 8,
             LoadU32(out.data() + optional + 8) + static_cast<std::uint32_t>(rawSize));
    StoreU32(out.data() + optional + 56, static_cast<std::uint32_t>(imageSize));

    if (paddingAfter != nullptr)
        *paddingAfter = trailingSize == 0 ? rawSize - sectionSize : 0;
    return out;
}

Bytes AppendSection(const Bytes& exe, const char name[8], const Bytes& sectionData, const Bytes& trailingData,
                    std::size_t* sectionFileOffset) {
    std::uint64_t padding = 0;
    Bytes out = AppendSectionHeaders(exe, name, sectionData.size(), trailingData.size(), &padding);
    if (sectionFileOffset != nullptr)
        *sectionFileOffset = out.size();
    out.insert(out.end(), sectionData.begin(), sectionData.end());
    out.insert(out.end(), trailingData.begin(), trailingData.end());
    out.resize(out.size() + static_cast<std::size_t>(padding), 0);
    return out;
}

}  // namespace vantrel
