#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// 8-bit text in the machine's ANSI code page -> UTF-16 (how the engine's own files store
// values written without the "|" marker).
std::wstring AnsiCodePageToUtf16(std::string_view text);

// UTF-16 -> 8-bit text in the machine's ANSI code page (characters it lacks become its
// default character).
std::string Utf16ToAnsiCodePage(std::wstring_view text);

}  // namespace vantrel
