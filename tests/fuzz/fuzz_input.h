// Small helpers for the harnesses that read text: the input as UTF-16 code units, and a
// property check that ends the run as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vantrel::fuzz {

// The input as little-endian UTF-16 code units, as the engine holds text on Windows (an odd
// last byte is dropped).
inline std::wstring WideFromUnits(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Splits the input at the first occurrences of a separator byte: the parts a harness hands
// to a function that takes several texts.
inline std::string_view NextPart(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    const std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
    return part;
}

[[noreturn]] inline void PropertyFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    __builtin_trap();
}

}  // namespace vantrel::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : ::vantrel::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
