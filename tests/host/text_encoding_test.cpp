#include "format/text_encoding.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(TextEncoding, Utf16ToUtf8AndBack) {
    const std::wstring text = L"Caf\u00E9 \u20AC \u4E2D";
    const std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ(utf8, "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
    EXPECT_EQ(Utf16ToUtf8(L""), "");
}

TEST(TextEncoding, FourByteSequencesRoundTrip) {
    const std::string utf8 = "\xF0\x9F\x98\x80";  // U+1F600
    const std::wstring wide = Utf8ToUtf16(utf8);
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
    EXPECT_EQ(Utf16ToUtf8(wide), utf8);
}

struct BadUtf8Case {
    const char* name;
    std::string bytes;
    std::wstring expected;
};

class BadUtf8 : public testing::TestWithParam<BadUtf8Case> {};

TEST_P(BadUtf8, BecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, BadUtf8,
                         testing::Values(BadUtf8Case{"LoneContinuation",
                                                     "a\x80"
                                                     "b",
                                                     L"a\uFFFDb"},
                                         BadUtf8Case{"TruncatedAtEnd", "a\xE2\x82", L"a\uFFFD"},
                                         BadUtf8Case{"Overlong", "\xC0\xAF", L"\uFFFD\uFFFD"},
                                         BadUtf8Case{"EncodedSurrogate", "\xED\xA0\x80", L"\uFFFD"},
                                         BadUtf8Case{"BrokenByAscii",
                                                     "\xE2"
                                                     "A",
                                                     L"\uFFFDA"}),
                         test::CaseName);

TEST(TextEncoding, LoneSurrogateBecomesReplacement) {
    std::wstring text = L"a";
    text.push_back(static_cast<wchar_t>(0xD800));
    text += L"b";
    EXPECT_EQ(Utf16ToUtf8(text),
              "a\xEF\xBF\xBD"
              "b");
}

struct Cp1252Case {
    unsigned char byte;
    char32_t codePoint;
    std::string Name() const {
        static constexpr char kHex[] = "0123456789ABCDEF";
        return std::string("Byte") + kHex[byte >> 4] + kHex[byte & 15];
    }
};

class Windows1252 : public testing::TestWithParam<Cp1252Case> {};

TEST_P(Windows1252, DecodesByTheFixedTable) {
    const std::string byte(1, static_cast<char>(GetParam().byte));
    const std::wstring wide = Windows1252ToUtf16(byte);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(static_cast<char32_t>(wide[0]), GetParam().codePoint);
    EXPECT_EQ(Windows1252ToUtf8(byte), Utf16ToUtf8(wide));
    EXPECT_EQ(Utf16ToWindows1252(wide), byte);
}

INSTANTIATE_TEST_SUITE_P(Table, Windows1252,
                         testing::Values(Cp1252Case{'A', U'A'}, Cp1252Case{0x80, 0x20AC},
                                         Cp1252Case{0x81, 0x81}, Cp1252Case{0x8A, 0x0160},
                                         Cp1252Case{0x92, 0x2019}, Cp1252Case{0x9F, 0x0178},
                                         Cp1252Case{0xA0, 0xA0}, Cp1252Case{0xE9, 0xE9},
                                         Cp1252Case{0xFF, 0xFF}),
                         test::CaseName);

TEST(TextEncoding, Windows1252ToUtf8OfAWord) {
    EXPECT_EQ(Windows1252ToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(TextEncoding, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToWindows1252(L"\u4E2D\u00E9"), "?\xE9");
}

TEST(TextEncoding, EncodedTextIsPlainOnlyForAscii) {
    EXPECT_EQ(EncodeText(L"C:\\Program Files\\App"), "C:\\Program Files\\App");
    EXPECT_EQ(EncodeText(L"C:\\Caf\u00E9"), "|C:\\Caf\xC3\xA9");
    EXPECT_EQ(EncodeText(L""), "");
}

// An ASCII text that begins with "|" would read back without it in the plain form.
TEST(TextEncoding, ATextBeginningWithTheMarkerIsEncodedMarked) {
    EXPECT_EQ(EncodeText(L"|abc"), "||abc");
    EXPECT_EQ(EncodeText(L"|"), "||");
    EXPECT_EQ(EncodeText(L"a|b"), "a|b");
    for (const wchar_t* text : {L"|abc", L"|", L"||x", L"|\u00E9"})
        EXPECT_EQ(DecodeText(EncodeText(text)), text);
}

TEST(TextEncoding, DecodeTextUsesUtf8AfterTheBarAndTheGivenCodePageOtherwise) {
    EXPECT_EQ(DecodeText("|Caf\xC3\xA9"), L"Caf\u00E9");
    EXPECT_EQ(DecodeText("Caf\xE9"), L"Caf\u00E9");
    const auto fake = [](std::string_view bytes) {
        return std::wstring(L"[") + std::wstring(bytes.size(), L'x') + L"]";
    };
    EXPECT_EQ(DecodeText("abc", fake), L"[xxx]");
    EXPECT_EQ(DecodeText("|abc", fake), L"abc");
    EXPECT_EQ(DecodeText(EncodeText(L"\u00FCber \u20AC")), L"\u00FCber \u20AC");
}

TEST(TextEncoding, ByteOrderMark) {
    EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBFx"));
    EXPECT_FALSE(StartsWithUtf8Bom("\xEF\xBB"));
    EXPECT_FALSE(StartsWithUtf8Bom(""));
}

}  // namespace
}  // namespace vantrel
