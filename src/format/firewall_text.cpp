#include "format/firewall_text.h"

#include "format/payload_error_codes.h"

namespace vantrel {
namespace {

std::uint32_t DecimalNumber(std::wstring_view text) {
    std::uint32_t value = 0;
    for (std::size_t at = 0; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at)
        value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
    return value;
}

}  // namespace

FirewallTextRead ReadFirewallText(std::wstring_view text) {
    FirewallTextRead read;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", at);
        std::size_t next = end == std::wstring_view::npos ? text.size() : end + 1;
        if (end != std::wstring_view::npos && next < text.size() &&
            (text[next] == L'\r' || text[next] == L'\n') && text[next] != text[end]) {
            ++next;  // CR LF or LF CR: one break
        }
        const std::wstring_view line =
            text.substr(at, (end == std::wstring_view::npos ? text.size() : end) - at);
        const std::wstring_view lineWithBreak = text.substr(at, next - at);
        at = next;
        if (line.empty()) {
            read.errorCode = payload_error::kFirewallFields;
            return read;
        }
        std::vector<std::wstring_view> fields;
        for (std::size_t start = 0;;) {
            const std::size_t semicolon = line.find(L';', start);
            fields.push_back(line.substr(
                start, semicolon == std::wstring_view::npos ? std::wstring_view::npos : semicolon - start));
            if (semicolon == std::wstring_view::npos)
                break;
            start = semicolon + 1;
        }
        if (fields.size() != 4) {
            read.errorCode = payload_error::kFirewallFields;
            return read;
        }
        read.instructions.push_back({std::wstring(fields[0]), std::wstring(fields[1]),
                                     DecimalNumber(fields[2]),
                                     fields[3].find(L'1') != std::wstring_view::npos});
        read.lineTexts.emplace_back(lineWithBreak);
    }
    return read;
}

std::wstring_view DecodedFirewallTarget(std::wstring_view target) {
    if (!target.empty() && target.front() == L'|')
        target.remove_prefix(1);
    return target;
}

std::optional<std::uint16_t> FirewallTargetPort(std::wstring_view decodedTarget) {
    if (decodedTarget.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : decodedTarget) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - L'0');
        // Digits only is a port whatever its value; the firewall rejects what does not fit.
        if (value > 0xFFFFFu)
            value = 0xFFFFFu;
    }
    return static_cast<std::uint16_t>(value > 0xFFFF ? 0 : value);
}

}  // namespace vantrel
