#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The bytes of a batch file for the command interpreter. On Windows 7 and later a text with
// characters outside ASCII is written as UTF-8 after the line "@chcp 65001 >nul"; otherwise
// as Windows-1252 (characters it lacks become "?") after "@chcp 1252 >nul".
std::string EncodeBatchText(std::wstring_view text, bool windows7OrLater);

// A text as it must stand in a batch file to arrive unchanged: "%" doubled, so that a path
// holding a percent sign is not taken for a variable.
std::wstring BatchLiteral(std::wstring_view text);

}  // namespace vantrel
