#include "builder/text_encoding.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vantrel::builder {
namespace {

// Decodes UTF-8 to code points; false on malformed input (overlong forms, surrogates,
// values above U+10FFFF and truncated sequences included).
bool DecodeUtf8(std::string_view utf8, std::vector<char32_t>& out) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        std::size_t length = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > utf8.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        out.push_back(value);
        i += length;
    }
    return true;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned positions.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::optional<std::wstring> Utf8ToUtf16(std::string_view utf8) {
    std::vector<char32_t> points;
    if (!DecodeUtf8(utf8, points))
        return std::nullopt;
    std::wstring result;
    result.reserve(points.size());
    for (char32_t c : points) {
        if (c >= 0x10000) {
            c -= 0x10000;
            result.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            result.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
        } else {
            result.push_back(static_cast<wchar_t>(c));
        }
    }
    return result;
}

std::string Utf16ToUtf8(std::wstring_view utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        auto c = static_cast<char32_t>(static_cast<std::uint16_t>(utf16[i]));
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size()) {
            const auto low = static_cast<char32_t>(static_cast<std::uint16_t>(utf16[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
    std::vector<char32_t> points;
    if (!DecodeUtf8(utf8, points))
        return std::nullopt;
    std::string out;
    for (char32_t c : points) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        bool found = false;
        for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
            if (kCp1252High[k] != 0 && kCp1252High[k] == c) {
                out.push_back(static_cast<char>(0x80 + k));
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return out;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string EncodedText(std::string_view utf8) {
    if (IsAscii(utf8))
        return std::string(utf8);
    return "|" + std::string(utf8);
}

}  // namespace vantrel::builder
