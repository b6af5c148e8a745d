#include "format/stream_reader.h"

#include <algorithm>
#include <cstring>

#include "format/byte_writer.h"

namespace vantrel {
namespace {
constexpr std::size_t kTextChunk = 64 * 1024;
}  // namespace

bool StreamReader::Bytes(void* out, std::size_t n) {
    const std::size_t got = Read(out, n);
    position_ += got;
    if (got != n)
        failed_ = true;
    return got == n;
}

std::uint8_t StreamReader::U8() {
    std::uint8_t b = 0;
    Bytes(&b, 1);
    return b;
}

std::uint16_t StreamReader::U16() {
    std::uint8_t b[2];
    Bytes(b, 2);
    return LoadU16(b);
}

std::uint32_t StreamReader::U32() {
    std::uint8_t b[4];
    Bytes(b, 4);
    return LoadU32(b);
}

double StreamReader::F64() {
    std::uint8_t b[8];
    Bytes(b, 8);
    const std::uint64_t bits = LoadU32(b) | (std::uint64_t{LoadU32(b + 4)} << 32);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::vector<std::uint8_t> StreamReader::Counted(std::uint64_t length) {
    std::vector<std::uint8_t> out;
    // Read in pieces so that a length the stream cannot hold costs no more than the stream.
    while (length > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, kTextChunk));
        const std::size_t old = out.size();
        out.resize(old + piece);
        const std::size_t got = Read(out.data() + old, piece);
        position_ += got;
        if (got != piece) {
            failed_ = true;
            out.resize(old + got);
            break;
        }
        length -= piece;
    }
    return out;
}

std::vector<std::uint8_t> StreamReader::VarText() {
    std::uint32_t length = U8();
    if (length == 255) {
        const std::uint8_t m = U8();
        if (m < 255) {
            length = m | (static_cast<std::uint32_t>(U8()) << 8);
        } else {
            length = U32();
        }
    }
    if (length > kMaxTextLength) {
        failed_ = true;
        return {};
    }
    return Counted(length);
}

std::vector<std::uint8_t> StreamReader::Text8() {
    return Counted(U8());
}

std::vector<std::uint8_t> StreamReader::Text16() {
    return Counted(U16());
}

std::vector<std::uint8_t> StreamReader::Text32() {
    const std::int32_t length = I32();
    if (length < 0) {
        failed_ = true;
        return {};
    }
    return Counted(static_cast<std::uint32_t>(length));
}

std::vector<std::uint8_t> StreamReader::Fixed(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    Bytes(out.data(), n);
    return out;
}

std::string StreamReader::CText() {
    std::string text;
    for (;;) {
        const std::uint8_t c = U8();
        if (c == 0)
            break;  // also the end of a cut-off stream, which reads as zeros
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::wstring StreamReader::WText() {
    std::wstring text;
    for (;;) {
        const std::uint16_t unit = U16();
        if (unit == 0)
            break;
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::wstring StreamReader::VarTextW() {
    return TextFromUtf16Bytes(VarText());
}

std::string StreamReader::VarText8() {
    const auto bytes = VarText();
    return {bytes.begin(), bytes.end()};
}

std::wstring StreamReader::Text16W() {
    return TextFromUtf16Bytes(Text16());
}

std::wstring StreamReader::Text32W() {
    return TextFromUtf16Bytes(Text32());
}

std::string StreamReader::Text8A() {
    const auto bytes = Text8();
    return {bytes.begin(), bytes.end()};
}

std::size_t MemoryStreamReader::Read(void* out, std::size_t n) {
    const std::size_t got = std::min(n, Remaining());
    if (got > 0)
        std::memcpy(out, data_.data() + offset_, got);
    if (got < n)
        std::memset(static_cast<std::uint8_t*>(out) + got, 0, n - got);
    offset_ += got;
    return got;
}

}  // namespace vantrel
