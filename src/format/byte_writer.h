#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// UTF-16LE bytes of a text. Each wchar_t is one UTF-16 unit; where wchar_t is wider (the
// host), characters above U+FFFF are written as surrogate pairs.
std::vector<std::uint8_t> Utf16Bytes(std::wstring_view text);

// The text of UTF-16LE bytes, one wchar_t per unit; an odd last byte is dropped.
std::wstring TextFromUtf16Bytes(std::span<const std::uint8_t> bytes);

// Appends little-endian values and the payload's text encodings to a byte buffer.
class ByteWriter {
  public:
    ByteWriter() = default;
    explicit ByteWriter(std::vector<std::uint8_t>& target) : out_(&target) {}

    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void F64(double value);
    void Raw(std::span<const std::uint8_t> bytes);
    void Zeros(std::size_t count);

    // Length-prefixed bytes. VarText picks the shortest of its three length forms.
    void VarText(std::span<const std::uint8_t> bytes);
    void VarText(std::wstring_view text);
    void VarText8(std::string_view text);
    void Text8(std::span<const std::uint8_t> bytes);   // throws std::length_error above 255
    void Text16(std::span<const std::uint8_t> bytes);  // throws std::length_error above 65535
    void Text32(std::span<const std::uint8_t> bytes);  // throws std::length_error above INT32_MAX
    void CText(std::string_view text);                 // bytes and a NUL (a NUL inside throws)
    void WText(std::wstring_view text);                // UTF-16 units and a zero unit

    std::vector<std::uint8_t>& Bytes() { return *out_; }
    std::size_t Size() const { return out_->size(); }

  private:
    std::vector<std::uint8_t> own_;
    std::vector<std::uint8_t>* out_ = &own_;
};

std::span<const std::uint8_t> AsBytes(std::string_view text);

// Little-endian access to a byte buffer (bounds are the caller's).
std::uint16_t LoadU16(const std::uint8_t* p);
std::uint32_t LoadU32(const std::uint8_t* p);
void StoreU16(std::uint8_t* p, std::uint16_t value);
void StoreU32(std::uint8_t* p, std::uint32_t value);

}  // namespace vantrel
