#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// 8-bit text in the machine's ANSI code page -> UTF-16 (how the engine's own files store
// values written without the "|" marker).
std::wstring AnsiCodePageToUtf16(std::string_view text);

}  // namespace vantrel
