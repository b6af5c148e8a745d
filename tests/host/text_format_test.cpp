#include "format/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vantrel {
namespace {

TEST(FormatText, SubstitutesTextsAndNumbers) {
    EXPECT_EQ(FormatText(L"%s %s\r\n%s", {L"a", std::wstring(L"b"), L"c"}), L"a b\r\nc");
    EXPECT_EQ(FormatText(L"Error code: %d", {42}), L"Error code: 42");
    EXPECT_EQ(FormatText(L"%d and %i", {-7, 0}), L"-7 and 0");
    EXPECT_EQ(FormatText(L"Error 0x%08X", {0x1234ABu}), L"Error 0x001234AB");
    EXPECT_EQ(FormatText(L"QVT%4X.%s", {0xABu, L"tmp"}), L"QVT  AB.tmp");
    EXPECT_EQ(FormatText(L"%x|%u", {255, -1}), L"ff|4294967295");
    EXPECT_EQ(FormatText(L"100%% sure", {}), L"100% sure");
    EXPECT_EQ(FormatText(L"%-4d|", {7}), L"7   |");
    EXPECT_EQ(FormatText(L"%ls and %hs", {L"x", L"y"}), L"x and y");
}

TEST(FormatText, IsSafeForHostileFormats) {
    // Formats come from payloads; nothing beyond the given arguments is ever read.
    EXPECT_EQ(FormatText(L"%s%s%s%n%p", {L"only"}), L"only%n%p");
    EXPECT_EQ(FormatText(L"%d", {L"text"}), L"text");
    EXPECT_EQ(FormatText(L"%s", {12}), L"12");
    EXPECT_EQ(FormatText(L"trailing %", {}), L"trailing %");
    EXPECT_EQ(FormatText(L"%99999999999d", {1}).size(), 4096u);
}

TEST(DecimalText, WritesWhatToWstringWrites) {
    EXPECT_EQ(DecimalText(0), L"0");
    EXPECT_EQ(DecimalText(-42), L"-42");
    EXPECT_EQ(DecimalText(4294967295u), L"4294967295");
    EXPECT_EQ(DecimalText(static_cast<std::uint16_t>(65535)), L"65535");
    EXPECT_EQ(DecimalText(INT64_MIN), L"-9223372036854775808");
    EXPECT_EQ(DecimalText(UINT64_MAX), L"18446744073709551615");
    for (const long long value : {1LL, 9LL, 10LL, 99LL, 100LL, 123456789LL, -1LL, -10LL, LLONG_MAX})
        EXPECT_EQ(DecimalText(value), std::to_wstring(value)) << value;
}

struct ShortDecimalCase {
    double value;
    const wchar_t* text;
};

TEST(ShortDecimalText, WritesPrintfsSixDecimalsWithoutTrailingZeros) {
    const ShortDecimalCase cases[] = {
        {12.5, L"12.5"},
        {20.0, L"20"},
        {0.0, L"0"},
        {0.75, L"0.75"},
        {1.0 / 3.0, L"0.333333"},
        {2.0 / 3.0, L"0.666667"},
        {0.0009765625, L"0.000977"},  // 1/1024: rounds up
        {0.0078125, L"0.007812"},     // 1/128: an exact tie goes to the even digit, as in printf
        {0.0000004, L"0"},
        {-0.0000004, L"-0"},
        {-1.25, L"-1.25"},
        {123456789.000001, L"123456789.000001"},
        {4294967296.5, L"4294967296.5"},
        {1e300 * 1e300, L"inf"},
    };
    for (const ShortDecimalCase& c : cases) {
        EXPECT_EQ(ShortDecimalText(c.value), c.text) << c.value;
        // The reference: what printf writes, trimmed the same way.
        if (!std::isinf(c.value)) {
            wchar_t printed[64];
            std::swprintf(printed, 64, L"%f", c.value);
            std::wstring trimmed = printed;
            while (trimmed.back() == L'0')
                trimmed.pop_back();
            if (trimmed.back() == L'.')
                trimmed.pop_back();
            EXPECT_EQ(ShortDecimalText(c.value), trimmed) << c.value;
        }
    }
}

}  // namespace
}  // namespace vantrel
