#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Joins two path parts: an empty part yields the other; a second part that begins with a
// backslash drops one trailing backslash of the first; otherwise a backslash goes between
// them unless the first ends in ":" or "\".
std::wstring PathJoin(std::wstring_view first, std::wstring_view second);

// The path without one trailing backslash.
std::wstring WithoutTrailingBackslash(std::wstring_view path);

// The path with its last component removed ("a\b\c" -> "a\b", "a" -> ""); one trailing
// backslash is ignored first.
std::wstring WithoutLastComponent(std::wstring_view path);

}  // namespace vantrel
