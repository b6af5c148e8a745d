#include "format/message_table.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(MessageTable, LooksUpByNumberInTheSelectedLanguage) {
    MessageTable table({L"Deutsch", L"ENGLISH"}, {L"Hallo", L"Hello", L"", L"Bye"});
    EXPECT_EQ(table.DefaultLanguage(), 1u);
    EXPECT_EQ(table.Text(0), L"Hello");
    EXPECT_EQ(table.Text(1), L"Bye");
    table.SelectLanguage(0);
    EXPECT_EQ(table.Text(0), L"Hallo");
    EXPECT_EQ(table.Text(1), L"");
    EXPECT_EQ(table.Text(2), L"");
    EXPECT_EQ(table.Text(0, 7), L"");
    EXPECT_EQ(table.MessageCount(), 2u);
}

TEST(MessageTable, FirstLanguageIsTheDefaultWithoutEnglish) {
    MessageTable table({L"Fran\u00e7ais", L"Englisch"}, {L"a", L"b"});
    EXPECT_EQ(table.DefaultLanguage(), 0u);
    EXPECT_EQ(MessageTable().Text(13), L"");
}

}  // namespace
}  // namespace vantrel
