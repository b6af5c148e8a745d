#include "format/text_encoding.h"

#include <array>
#include <cstdint>

namespace vantrel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x80..0x9F of Windows-1252; the undefined bytes keep their own value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Windows1252CodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80u];
    return byte;
}

// Reads one code point from a wide text, joining surrogate pairs (wchar_t is 16-bit on
// Windows, 32-bit elsewhere; both are handled).
char32_t NextCodePoint(std::wstring_view text, std::size_t& at) {
    const auto unit = static_cast<std::uint32_t>(text[at++]);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (at < text.size()) {
            const auto low = static_cast<std::uint32_t>(text[at]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++at;
                return static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            }
        }
        return kReplacement;
    }
    if ((unit >= 0xDC00 && unit <= 0xDFFF) || unit > 0x10FFFF)
        return kReplacement;
    return static_cast<char32_t>(unit);
}

void AppendWide(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(cp));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Utf16ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size())
        AppendUtf8(out, NextCodePoint(text, at));
    return out;
}

std::wstring Utf8ToUtf16(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1Fu, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0Fu, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07u, minimum = 0x10000;
        }
        std::size_t taken = 1;
        bool valid = length != 0;
        while (valid && taken < length) {
            if (at + taken >= text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(text[at + taken]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3Fu);
            ++taken;
        }
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        // A bad sequence costs one replacement character for the bytes examined so far.
        AppendWide(out, valid ? cp : kReplacement);
        at += taken;
    }
    return out;
}

std::wstring Windows1252ToUtf16(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text)
        out.push_back(static_cast<wchar_t>(Windows1252CodePoint(static_cast<unsigned char>(c))));
    return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        AppendUtf8(out, Windows1252CodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf16ToWindows1252(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const char32_t cp = NextCodePoint(text, at);
        char byte = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            byte = static_cast<char>(cp);
        } else {
            for (std::size_t i = 0; i < kHighControls.size(); ++i) {
                if (kHighControls[i] == cp) {
                    byte = static_cast<char>(0x80 + i);
                    break;
                }
            }
        }
        out.push_back(byte);
    }
    return out;
}

bool StartsWithUtf8Bom(std::string_view bytes) {
    return bytes.substr(0, 3) == kUtf8Bom;
}

std::string EncodeText(std::wstring_view text) {
    // A text that begins with the marker itself takes the marked form too, or reading it
    // back would take its first character for the marker.
    bool plain = text.empty() || text.front() != L'|';
    for (const wchar_t c : text) {
        if (static_cast<std::uint32_t>(c) >= 128) {
            plain = false;
            break;
        }
    }
    if (plain) {
        std::string out;
        out.reserve(text.size());
        for (const wchar_t c : text)
            out.push_back(static_cast<char>(c));
        return out;
    }
    return "|" + Utf16ToUtf8(text);
}

std::wstring DecodeText(std::string_view encoded,
                        const std::function<std::wstring(std::string_view)>& decodeAnsi) {
    if (!encoded.empty() && encoded.front() == '|')
        return Utf8ToUtf16(encoded.substr(1));
    return decodeAnsi ? decodeAnsi(encoded) : Windows1252ToUtf16(encoded);
}

std::wstring DecodeText(std::string_view encoded) {
    return DecodeText(encoded, Windows1252ToUtf16);
}

}  // namespace vantrel
