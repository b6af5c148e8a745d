#pragma once

#include <string_view>

namespace vantrel {

// Matches a file name against a pattern in which "*" stands for any run of characters and
// "?" for exactly one. Characters compare exactly: fold the letter case of both first. The
// pattern "*.*" matches every name, with or without a dot, as people expect from it.
bool WildcardMatch(std::wstring_view pattern, std::wstring_view name);

// True when the text holds "*" or "?".
bool HasWildcard(std::wstring_view text);

}  // namespace vantrel
