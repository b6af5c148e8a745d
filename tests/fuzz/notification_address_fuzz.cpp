// The notification address a payload gives (UTF-16) with its tokens filled in from values
// the engine reads from the system, taken apart for the request. Input: the address, then
// the token values, separated by NUL units.
#include "format/notification_address.h"
#include "fuzz_input.h"

using namespace vantrel;

namespace {

std::wstring NextWidePart(std::wstring_view& rest) {
    const std::size_t at = rest.find(L'\0');
    const std::wstring part(rest.substr(0, at));
    rest = at == std::wstring_view::npos ? std::wstring_view() : rest.substr(at + 1);
    return part;
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

bool IsWebEncoded(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
            c == L'_' || c == L'.' || c == L'~')
            continue;
        if (c != L'%' || i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2]))
            return false;
        i += 2;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring input = fuzz::WideFromUnits(data, size);
    std::wstring_view rest = input;
    const std::wstring address = NextWidePart(rest);
    NotificationTokens tokens;
    for (std::wstring* value : {&tokens.version, &tokens.session, &tokens.os, &tokens.osMajor,
                                &tokens.osMinor, &tokens.osName, &tokens.osDescription, &tokens.osServer})
        *value = NextWidePart(rest);

    // A value never changes the address's shape: it arrives web-encoded.
    const std::wstring osName = L"%OSName%";
    FUZZ_CHECK(IsWebEncoded(ExpandNotificationAddress(osName, tokens)));

    const std::wstring expanded = ExpandNotificationAddress(address, tokens);
    if (const auto parsed = ParseWebAddress(expanded)) {
        FUZZ_CHECK(!parsed->host.empty());
        FUZZ_CHECK(parsed->host.find_first_of(L"/?#@") == std::wstring::npos);
        FUZZ_CHECK(!parsed->pathAndQuery.empty() && parsed->pathAndQuery.front() == L'/');
        FUZZ_CHECK(parsed->port != 0);
    }
    WebEncode(std::string(reinterpret_cast<const char*>(data), size));
    ProblemReportForm(address, tokens.version, tokens.os, tokens.osName);
    return 0;
}
