#include "builder/text_encoding.h"

#include <gtest/gtest.h>

namespace vantrel::builder {
namespace {

TEST(BuilderTextEncoding, AcceptsOnlyExactUtf8) {
    EXPECT_EQ(Utf8ToUtf16("caf\xC3\xA9 \xF0\x9F\x98\x80"),
              std::optional<std::wstring>(L"caf\u00e9 \U0001F600"));
    EXPECT_EQ(Utf8ToUtf16(""), std::optional<std::wstring>(L""));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\x80"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad).has_value()) << "must refuse a malformed sequence";
    }
}

TEST(BuilderTextEncoding, Windows1252OnlyWhenEveryCharacterHasAForm) {
    EXPECT_EQ(Utf8ToWindows1252("caf\xC3\xA9 \xE2\x82\xAC"), std::optional<std::string>("caf\xE9 \x80"));
    EXPECT_EQ(Utf8ToWindows1252("what?"), std::optional<std::string>("what?"));
    EXPECT_FALSE(Utf8ToWindows1252("\xE4\xB8\xAD").has_value());
    EXPECT_FALSE(Utf8ToWindows1252("\xC3").has_value());
}

TEST(BuilderTextEncoding, EncodedTextMarksNonAscii) {
    EXPECT_EQ(EncodedText("plain"), "plain");
    EXPECT_EQ(EncodedText("caf\xC3\xA9"), "|caf\xC3\xA9");
}

TEST(BuilderTextEncoding, EncodedTextMarksATextBeginningWithTheMarker) {
    EXPECT_EQ(EncodedText("|pipe"), "||pipe");
    EXPECT_EQ(EncodedText("a|b"), "a|b");
}

}  // namespace
}  // namespace vantrel::builder
