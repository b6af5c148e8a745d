#include "format/file_version.h"

namespace vantrel {

std::optional<std::uint64_t> ParseFileVersion(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    std::uint64_t packed = 0;
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        if (parts == 4)
            return std::nullopt;
        std::uint32_t number = 0;
        const std::size_t start = at;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            number = number * 10 + static_cast<std::uint32_t>(text[at] - '0');
            if (number > 0xFFFF)
                return std::nullopt;
        }
        if (at == start)
            return std::nullopt;
        packed |= static_cast<std::uint64_t>(number) << (48 - 16 * parts);
        ++parts;
        if (at == text.size())
            return packed;
        if (text[at++] != '.')
            return std::nullopt;
    }
}

}  // namespace vantrel
