#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::builder {

// UTF-8 (as the project file holds it) to UTF-16 code units in a std::wstring, one unit per
// wchar_t on every platform, so that the payload writer stores the same units everywhere.
// Returns nothing when the input is not valid UTF-8.
std::optional<std::wstring> Utf8ToUtf16(std::string_view utf8);

// The reverse, for messages and listings; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::wstring_view utf16);

// UTF-8 to Windows-1252; nothing when a character has no Windows-1252 form.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

// The 8-bit "encoded text" form: the text itself when every byte is below 128 and it does not
// begin with "|", otherwise "|" followed by the UTF-8 form.
std::string EncodedText(std::string_view utf8);

bool IsAscii(std::string_view text);

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace vantrel::builder
