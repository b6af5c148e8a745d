// Writer side of the data area, kept out of the reader's file so the engine never links
// the xz encoder.
#include <limits>
#include <stdexcept>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/xz_codec.h"

namespace vantrel {

std::vector<std::uint8_t> WriteFileItemHead(const FileRecord& r, std::uint64_t dataSize) {
    if (r.name.empty())
        throw std::invalid_argument("file record without a name");
    std::vector<std::uint8_t> item;
    ByteWriter w(item);
    w.U32(0);  // the item length, filled in below
    w.CText(r.name);
    w.U32(r.kind);
    w.U32(r.flags);
    w.U32(r.attributes);
    w.Raw(r.fileTime);
    w.CText(r.nameText);
    if (r.HasIcon())
        w.WText(r.icon);
    w.CText(r.arguments);
    w.WText(r.destination);
    w.CText(r.parameter);
    if (r.HasMsiLevel())
        w.U32(r.msiInterfaceLevel);
    // Readers take no more than this besides the data; a larger record would never read back.
    if (item.size() + 4 > kMaxItemOverhead)
        throw std::length_error("file record texts above 1 MiB");
    const std::uint64_t length = item.size() - 4 + dataSize + 4;
    if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("file item too large");
    }
    StoreU32(item.data(), static_cast<std::uint32_t>(length));
    return item;
}

std::vector<std::uint8_t> WriteFileItem(const FileRecord& r, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> item = WriteFileItemHead(r, data.size());
    ByteWriter w(item);
    w.Raw(data);
    w.U32(Checksum(data));
    return item;
}

std::vector<std::uint8_t> WriteDataBlock(std::span<const std::uint8_t> decoded, bool compress,
                                         std::uint32_t xzPreset, const Blowfish* cipher) {
    return SealDataBlock(compress ? XzEncode(decoded, xzPreset, false, LooksLikeX86Code(decoded))
                                  : std::vector<std::uint8_t>(decoded.begin(), decoded.end()),
                         cipher);
}

std::vector<std::uint8_t> SealDataBlock(std::vector<std::uint8_t> stored, const Blowfish* cipher) {
    if (cipher != nullptr)
        stored = EncipherBuffer(stored, *cipher);
    if (stored.empty())
        throw std::invalid_argument("empty data block");
    if (stored.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("data block too large");
    }
    std::vector<std::uint8_t> block;
    block.reserve(stored.size() + 8);
    ByteWriter w(block);
    w.I32(static_cast<std::int32_t>(stored.size()));
    w.U32(Checksum(stored));
    w.Raw(stored);
    return block;
}

}  // namespace vantrel
