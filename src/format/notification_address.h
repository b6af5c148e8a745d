#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The values a notification address may ask for by token.
struct NotificationTokens {
    std::wstring version;        // %version%: the product version
    std::wstring session;        // %Session%: the session number in hexadecimal
    std::wstring os;             // %OS%
    std::wstring osMajor;        // %OSMajor%
    std::wstring osMinor;        // %OSMinor%
    std::wstring osName;         // %OSName%
    std::wstring osDescription;  // %OSDescription%
    std::wstring osServer;       // %OSServer%: "0" on a workstation, "1" on a server
};

// Percent-encoding of UTF-8 bytes for a web address or form: letters, digits and "-_.~"
// stay, every other byte becomes "%XX".
std::string WebEncode(std::string_view utf8);

// The address trimmed, with each token replaced by its value, web-encoded (a value with a
// space or an "&" must not change the address's shape).
std::wstring ExpandNotificationAddress(std::wstring_view address, const NotificationTokens& tokens);

// An http or https address taken apart for the request.
struct WebAddress {
    bool secure = false;  // https: TLS with the server's certificate verified
    std::wstring host;
    std::uint16_t port = 80;    // 443 for https unless the address names another
    std::wstring pathAndQuery;  // "/" when the address has none
};

// Nothing for an address that is not http or https, has no host or a bad port.
std::optional<WebAddress> ParseWebAddress(std::wstring_view address);

// The body of the problem report: the form field "problems" with the product name, a space,
// the version, CR LF, the installer's file name, CR LF and the failure list, in UTF-8.
std::string ProblemReportForm(std::wstring_view productName, std::wstring_view version,
                              std::wstring_view installerFileName, std::wstring_view failures);

}  // namespace vantrel
