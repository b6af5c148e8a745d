#include "format/text_format.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vantrel
