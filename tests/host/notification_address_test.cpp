#include "format/notification_address.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_names.h"

namespace vantrel {
namespace {

TEST(WebEncode, KeepsUnreservedCharactersAndEncodesEveryOtherByte) {
    EXPECT_EQ(WebEncode("Az09-_.~"), "Az09-_.~");
    EXPECT_EQ(WebEncode("a b&c=d/e%"), "a%20b%26c%3Dd%2Fe%25");
    EXPECT_EQ(WebEncode("\xC3\xA4"), "%C3%A4");
}

TEST(NotificationAddress, TokensAreReplacedOnceAndWebEncoded) {
    NotificationTokens tokens;
    tokens.version = L"2.0 beta";
    tokens.session = L"1A2B";
    tokens.os = L"7";
    tokens.osMajor = L"6";
    tokens.osMinor = L"1";
    tokens.osName = L"Server 2008 R2";
    tokens.osDescription = L"Windows 7 x64 Service Pack 1 & %version%";
    tokens.osServer = L"0";
    EXPECT_EQ(
        ExpandNotificationAddress(L"  http://example.test/n?v=%version%&s=%Session%&os=%OS%&ma=%OSMajor%"
                                  L"&mi=%OSMinor%&n=%OSName%&d=%OSDescription%&srv=%OSServer%&x=%Other%\r\n",
                                  tokens),
        L"http://example.test/n?v=2.0%20beta&s=1A2B&os=7&ma=6&mi=1&n=Server%202008%20R2"
        L"&d=Windows%207%20x64%20Service%20Pack%201%20%26%20%25version%25&srv=0&x=%Other%");
    EXPECT_EQ(ExpandNotificationAddress(L" \t ", tokens), L"");
}

struct AddressCase {
    const char* name;
    const wchar_t* address;
    bool valid;
    bool secure;
    const wchar_t* host;
    unsigned port;
    const wchar_t* path;
};

class WebAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(WebAddressTest, TakesTheAddressApart) {
    const AddressCase& c = GetParam();
    const auto parsed = ParseWebAddress(c.address);
    ASSERT_EQ(parsed.has_value(), c.valid);
    if (!c.valid)
        return;
    EXPECT_EQ(parsed->secure, c.secure);
    EXPECT_EQ(parsed->host, c.host);
    EXPECT_EQ(parsed->port, c.port);
    EXPECT_EQ(parsed->pathAndQuery, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WebAddressTest,
    ::testing::Values(AddressCase{"PlainHttp", L"http://example.test/a/b?c=1", true, false, L"example.test",
                                  80, L"/a/b?c=1"},
                      AddressCase{"HttpsDefaultsTo443", L"HTTPS://example.test", true, true, L"example.test",
                                  443, L"/"},
                      AddressCase{"HttpsKeepsItsPort", L"https://example.test:8443/x", true, true,
                                  L"example.test", 8443, L"/x"},
                      AddressCase{"QueryWithoutPath", L"http://127.0.0.1:8080?a=b#frag", true, false,
                                  L"127.0.0.1", 8080, L"/?a=b"},
                      AddressCase{"OtherScheme", L"ftp://example.test/", false, false, L"", 0, L""},
                      AddressCase{"NoScheme", L"example.test/x", false, false, L"", 0, L""},
                      AddressCase{"NoHost", L"http:///x", false, false, L"", 0, L""},
                      AddressCase{"BadPort", L"http://example.test:99999/", false, false, L"", 0, L""},
                      AddressCase{"Credentials", L"http://user@example.test/", false, false, L"", 0, L""}),
    test::CaseName);

TEST(ProblemReportForm, HoldsTheProductTheInstallerAndTheFailuresInUtf8) {
    EXPECT_EQ(ProblemReportForm(L"Demo", L"1.0", L"setup.exe", L"Failed \u00e4\r\n\r\n"),
              "problems=Demo%201.0%0D%0Asetup.exe%0D%0AFailed%20%C3%A4%0D%0A%0D%0A");
}

}  // namespace
}  // namespace vantrel
