#pragma once

namespace vantrel {

// ASCII letter case, independent of locale and code page: drive letters, option names and
// other texts that are compared the way the system compares them.
constexpr wchar_t AsciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

constexpr bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

}  // namespace vantrel
