#include "format/payload_header.h"

#include <cstring>
#include <stdexcept>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/settings.h"

namespace vantrel {
namespace {

// A bounds-checked cursor over the mapped section.
class SectionCursor {
  public:
    explicit SectionCursor(std::span<const std::uint8_t> data) : data_(data) {}
    bool Has(std::size_t n) const { return n <= data_.size() - offset_; }
    std::uint32_t U32() {
        const std::uint32_t v = LoadU32(data_.data() + offset_);
        offset_ += 4;
        return v;
    }
    std::size_t Offset() const { return offset_; }
    std::size_t Left() const { return data_.size() - offset_; }
    const std::uint8_t* Here() const { return data_.data() + offset_; }
    void Skip(std::size_t n) { offset_ += n; }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t offset_ = 0;
};

bool ParseComponent(std::string_view& text, unsigned long long& value) {
    value = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] != '.') {
        if (text[i] < '0' || text[i] > '9')
            return false;
        if (value < 1000000000ull)
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        ++i;
    }
    text.remove_prefix(i < text.size() ? i + 1 : i);
    return true;
}

}  // namespace

std::size_t PayloadHeader::Length() const {
    return 4 + engineVersion.size() + 1 + 4 * 8 + 4 * fileSizes.size() + (cipherKey ? 8 : 0);
}

bool PayloadHeader::Enciphered() const {
    return (productFlags2 & product_flags2::kEnciphered) != 0;
}

bool DottedVersionEquals(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    if (a.empty() || b.empty())
        return false;
    while (!a.empty() || !b.empty()) {
        unsigned long long x = 0, y = 0;
        if (!ParseComponent(a, x) || !ParseComponent(b, y))
            return false;
        if (x != y)
            return false;
    }
    return true;
}

PayloadHeaderRead ReadPayloadHeader(std::span<const std::uint8_t> section, std::string_view expectedVersion,
                                    PayloadHeader& h) {
    PayloadHeaderRead result;
    auto fail = [&result](int code) {
        result.errorCode = code;
        return result;
    };
    SectionCursor c(section);
    if (!c.Has(4))
        return fail(payload_error::kHeaderMagic);
    h.magic = c.U32();  // 1
    if (h.magic != kPayloadMagic)
        return fail(payload_error::kHeaderMagic);
    const void* nul = std::memchr(c.Here(), 0, c.Left());  // 2
    if (nul == nullptr)
        return fail(payload_error::kHeaderMagic);
    const auto versionLength = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - c.Here());
    h.engineVersion.assign(reinterpret_cast<const char*>(c.Here()), versionLength);
    c.Skip(versionLength + 1);
    if (!DottedVersionEquals(h.engineVersion, expectedVersion)) {
        result.versionMismatch = true;
        return result;
    }
    if (!c.Has(16))
        return fail(payload_error::kSettingsSize);
    h.productFlags2 = c.U32();                            // 3
    h.settingsSize = static_cast<std::int32_t>(c.U32());  // 4
    if (h.settingsSize < 1 || h.settingsSize > kMaxSettingsSize)
        return fail(payload_error::kSettingsSize);
    h.settingsCheck = c.U32();  // 5
    h.fileCheck = c.U32();      // 6
    if (!c.Has(4))
        return fail(payload_error::kNegativeDataEnd);
    h.dataEnd = static_cast<std::int32_t>(c.U32());  // 7
    if (h.dataEnd < 0)
        return fail(payload_error::kNegativeDataEnd);
    if (!c.Has(4))
        return fail(payload_error::kFileCount);
    const auto fileCount = static_cast<std::int32_t>(c.U32());  // 8
    if (fileCount < 0)
        return fail(payload_error::kFileCount);
    if (!c.Has(8))
        return fail(payload_error::kNegativeDataSize);
    h.dataSize = static_cast<std::int32_t>(c.U32());  // 9
    if (h.dataSize < 0)
        return fail(payload_error::kNegativeDataSize);
    h.dataCheck = c.U32();  // 10
    // The table must fit the section before anything is allocated for it.
    if (static_cast<std::size_t>(fileCount) > c.Left() / 4)
        return fail(payload_error::kFileCount);
    h.fileSizes.assign(static_cast<std::size_t>(fileCount), 0);
    for (auto& size : h.fileSizes) {  // 11
        size = static_cast<std::int32_t>(c.U32());
        if (size < 0 || size > kMaxFileSize)
            return fail(payload_error::kFileSize);
    }
    h.cipherKey.reset();
    if (h.productFlags2 & product_flags2::kEnciphered) {  // 12
        if (!c.Has(8))
            return fail(payload_error::kSettingsSize);
        std::array<std::uint8_t, 8> key;
        std::memcpy(key.data(), c.Here(), 8);
        c.Skip(8);
        h.cipherKey = key;
    }
    h.length = c.Offset();
    if (!c.Has(static_cast<std::size_t>(h.settingsSize)))
        return fail(payload_error::kSettingsSize);
    return result;
}

std::uint32_t ProgramFileCheck(std::span<const std::uint8_t> leadingPart) {
    if (leadingPart.size() < 64)
        return 0;
    const std::size_t start = static_cast<std::size_t>(LoadU16(leadingPart.data() + 60)) + 92;
    if (start > leadingPart.size())
        return 0;
    return Checksum(leadingPart.subspan(start));
}

}  // namespace vantrel
