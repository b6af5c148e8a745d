#include "builder/text_encoding.h"

#include "format/text_encoding.h"

namespace vantrel::builder {

// The engine's converters never fail (bad input becomes U+FFFD or '?'); a project file must
// be exact instead, so a conversion is accepted only when it converts back to its input.

std::optional<std::wstring> Utf8ToUtf16(std::string_view utf8) {
    std::wstring utf16 = vantrel::Utf8ToUtf16(utf8);
    if (vantrel::Utf16ToUtf8(utf16) != utf8)
        return std::nullopt;
    return utf16;
}

std::string Utf16ToUtf8(std::wstring_view utf16) {
    return vantrel::Utf16ToUtf8(utf16);
}

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
    const std::optional<std::wstring> utf16 = Utf8ToUtf16(utf8);
    if (!utf16)
        return std::nullopt;
    std::string ansi = vantrel::Utf16ToWindows1252(*utf16);
    if (vantrel::Windows1252ToUtf16(ansi) != *utf16)
        return std::nullopt;
    return ansi;
}

std::string EncodedText(std::string_view utf8) {
    // A text that begins with the marker is marked too, or the engine would drop its "|".
    const bool plain = IsAscii(utf8) && (utf8.empty() || utf8.front() != '|');
    return plain ? std::string(utf8) : "|" + std::string(utf8);
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vantrel::builder
