#include "format/notification_address.h"

#include "format/text_encoding.h"

namespace vantrel {
namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

std::wstring EncodedValue(const std::wstring& value) {
    const std::string encoded = WebEncode(Utf16ToUtf8(value));
    return std::wstring(encoded.begin(), encoded.end());
}

}  // namespace

std::string WebEncode(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.' || byte == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        }
    }
    return out;
}

std::wstring ExpandNotificationAddress(std::wstring_view address, const NotificationTokens& tokens) {
    while (!address.empty() && IsSpace(address.front()))
        address.remove_prefix(1);
    while (!address.empty() && IsSpace(address.back()))
        address.remove_suffix(1);
    const struct {
        std::wstring_view token;
        const std::wstring& value;
    } replacements[] = {{L"%version%", tokens.version},
                        {L"%Session%", tokens.session},
                        {L"%OS%", tokens.os},
                        {L"%OSMajor%", tokens.osMajor},
                        {L"%OSMinor%", tokens.osMinor},
                        {L"%OSName%", tokens.osName},
                        {L"%OSDescription%", tokens.osDescription},
                        {L"%OSServer%", tokens.osServer}};
    // One pass from left to right, so that a value is never searched for tokens again.
    std::wstring result;
    std::size_t at = 0;
    while (at < address.size()) {
        bool replaced = false;
        if (address[at] == L'%') {
            for (const auto& replacement : replacements) {
                if (address.substr(at, replacement.token.size()) == replacement.token) {
                    result += EncodedValue(replacement.value);
                    at += replacement.token.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            result.push_back(address[at++]);
    }
    return result;
}

std::optional<WebAddress> ParseWebAddress(std::wstring_view address) {
    WebAddress parsed;
    if (StartsWithNoCase(address, L"https://")) {
        parsed.secure = true;
        parsed.port = 443;
        address.remove_prefix(8);
    } else if (StartsWithNoCase(address, L"http://")) {
        address.remove_prefix(7);
    } else {
        return std::nullopt;
    }
    const std::size_t pathStart = address.find_first_of(L"/?#");
    std::wstring_view authority = address.substr(0, pathStart);
    std::wstring_view rest =
        pathStart == std::wstring_view::npos ? std::wstring_view() : address.substr(pathStart);
    if (const std::size_t fragment = rest.find(L'#'); fragment != std::wstring_view::npos)
        rest = rest.substr(0, fragment);
    // Credentials in the address are not supported: the host is what follows them.
    if (authority.find(L'@') != std::wstring_view::npos)
        return std::nullopt;
    if (const std::size_t colon = authority.rfind(L':'); colon != std::wstring_view::npos) {
        const std::wstring_view portText = authority.substr(colon + 1);
        if (portText.empty() || portText.size() > 5)
            return std::nullopt;
        unsigned value = 0;
        for (const wchar_t c : portText) {
            if (c < L'0' || c > L'9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - L'0');
        }
        if (value == 0 || value > 65535)
            return std::nullopt;
        parsed.port = static_cast<std::uint16_t>(value);
        authority = authority.substr(0, colon);
    }
    if (authority.empty())
        return std::nullopt;
    parsed.host = authority;
    parsed.pathAndQuery =
        rest.empty() ? L"/" : (rest.front() == L'?' ? L"/" + std::wstring(rest) : std::wstring(rest));
    return parsed;
}

std::string ProblemReportForm(std::wstring_view productName, std::wstring_view version,
                              std::wstring_view installerFileName, std::wstring_view failures) {
    std::wstring text(productName);
    text.append(L" ")
        .append(version)
        .append(L"\r\n")
        .append(installerFileName)
        .append(L"\r\n")
        .append(failures);
    return "problems=" + WebEncode(Utf16ToUtf8(text));
}

}  // namespace vantrel
