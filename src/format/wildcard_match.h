#pragma once

#include <string_view>

namespace vantrel {

// Matches a name against a pattern in which "*" stands for any run of characters and "?"
// for exactly one. Characters compare exactly: fold the letter case of both first where
// case does not count.
bool WildcardMatch(std::string_view pattern, std::string_view name);
bool WildcardMatch(std::wstring_view pattern, std::wstring_view name);

// True when the text holds "*" or "?".
bool HasWildcard(std::string_view text);
bool HasWildcard(std::wstring_view text);

}  // namespace vantrel
