#include "format/version_compare.h"

#include <cstdint>
#include <vector>

namespace vantrel {
namespace {

struct ParsedVersion {
    std::vector<std::uint64_t> components;
    unsigned char suffix = 0;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

ParsedVersion Parse(std::string_view text) {
    ParsedVersion version;
    if (text.empty())
        return version;
    std::uint64_t current = 0;
    for (const char c : text) {
        if (c == '.') {
            version.components.push_back(current);
            current = 0;
        } else if (c >= '0' && c <= '9') {
            // Absurdly long digit runs saturate instead of wrapping round.
            const auto digit = static_cast<std::uint64_t>(c - '0');
            current = current > (UINT64_MAX - digit) / 10 ? UINT64_MAX : current * 10 + digit;
        } else if (IsLetter(c) && version.suffix == 0) {
            version.suffix = static_cast<unsigned char>(c);
        }
    }
    version.components.push_back(current);
    return version;
}

}  // namespace

int VersionCompare(std::string_view left, std::string_view right) {
    const ParsedVersion a = Parse(left);
    const ParsedVersion b = Parse(right);
    const std::size_t common =
        a.components.size() < b.components.size() ? a.components.size() : b.components.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (a.components[i] != b.components[i])
            return a.components[i] < b.components[i] ? -1 : 1;
    }
    if (a.components.size() != b.components.size())
        return a.components.size() < b.components.size() ? -1 : 1;
    if (a.suffix != b.suffix)
        return a.suffix < b.suffix ? -1 : 1;
    return 0;
}

}  // namespace vantrel
