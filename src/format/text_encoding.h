#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

// Conversions between the engine's text forms. UTF-16 texts live in std::wstring; 8-bit
// texts in std::string. Malformed input never fails: what cannot be decoded becomes U+FFFD.

std::string Utf16ToUtf8(std::wstring_view text);
std::wstring Utf8ToUtf16(std::string_view text);

// Windows-1252, decoded by our own table so the result never depends on the system code
// page (8-bit log text and the payload's 8-bit fields are Windows-1252 by definition). The
// five bytes that code page leaves undefined map to the C1 control of the same value, as the
// system converter does.
std::wstring Windows1252ToUtf16(std::string_view text);
std::string Windows1252ToUtf8(std::string_view text);

// UTF-16 -> Windows-1252; characters the code page lacks become '?'.
std::string Utf16ToWindows1252(std::wstring_view text);

// True when the text is a UTF-8 byte-order mark followed by anything.
bool StartsWithUtf8Bom(std::string_view bytes);
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The "encoded text" form of the engine's 8-bit fields and files: the plain bytes when every
// character is below 128 and the text does not begin with "|", otherwise "|" followed by the
// UTF-8 form.
std::string EncodeText(std::wstring_view text);

// Reads an encoded text. A value without the leading "|" is legacy 8-bit text, read with the
// given code-page decoder (the ANSI code page of the machine for the engine's own files,
// Windows-1252 for the payload's fields).
std::wstring DecodeText(std::string_view encoded,
                        const std::function<std::wstring(std::string_view)>& decodeAnsi);
// The same with Windows-1252 for text without "|".
std::wstring DecodeText(std::string_view encoded);

}  // namespace vantrel
