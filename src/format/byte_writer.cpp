#include "format/byte_writer.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace vantrel {

std::vector<std::uint8_t> Utf16Bytes(std::wstring_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF && code <= 0x10FFFF) {
            const std::uint32_t v = code - 0x10000;
            unit(0xD800 | (v >> 10));
            unit(0xDC00 | (v & 0x3FF));
        } else {
            unit(code);
        }
    }
    return out;
}

std::wstring TextFromUtf16Bytes(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::uint16_t LoadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void StoreU16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void StoreU32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void ByteWriter::U8(std::uint8_t value) {
    out_->push_back(value);
}

void ByteWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        U8(static_cast<std::uint8_t>(value >> (8 * i)));
}

void ByteWriter::F64(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    U32(static_cast<std::uint32_t>(bits));
    U32(static_cast<std::uint32_t>(bits >> 32));
}

void ByteWriter::Raw(std::span<const std::uint8_t> bytes) {
    out_->insert(out_->end(), bytes.begin(), bytes.end());
}

void ByteWriter::Zeros(std::size_t count) {
    out_->insert(out_->end(), count, 0);
}

void ByteWriter::VarText(std::span<const std::uint8_t> bytes) {
    const std::size_t length = bytes.size();
    if (length > 0x40000000u)
        throw std::length_error("VarText longer than 0x40000000 bytes");
    if (length < 255) {
        U8(static_cast<std::uint8_t>(length));
    } else if (length <= 0xFFFF && (length & 0xFF) != 0xFF) {
        // The middle form: 255, then the low byte (which must not be 255), then the high byte.
        U8(255);
        U16(static_cast<std::uint16_t>(length));
    } else {
        U8(255);
        U8(255);
        U32(static_cast<std::uint32_t>(length));
    }
    Raw(bytes);
}

void ByteWriter::VarText(std::wstring_view text) {
    VarText(Utf16Bytes(text));
}

void ByteWriter::VarText8(std::string_view text) {
    VarText(AsBytes(text));
}

void ByteWriter::Text8(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > 0xFF)
        throw std::length_error("Text8 longer than 255 bytes");
    U8(static_cast<std::uint8_t>(bytes.size()));
    Raw(bytes);
}

void ByteWriter::Text16(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > 0xFFFF)
        throw std::length_error("Text16 longer than 65535 bytes");
    U16(static_cast<std::uint16_t>(bytes.size()));
    Raw(bytes);
}

void ByteWriter::Text32(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("Text32 too long");
    }
    I32(static_cast<std::int32_t>(bytes.size()));
    Raw(bytes);
}

void ByteWriter::CText(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw std::invalid_argument("CText holds a NUL");
    Raw(AsBytes(text));
    U8(0);
}

void ByteWriter::WText(std::wstring_view text) {
    if (text.find(L'\0') != std::wstring_view::npos)
        throw std::invalid_argument("WText holds a zero unit");
    Raw(Utf16Bytes(text));
    U16(0);
}

}  // namespace vantrel
