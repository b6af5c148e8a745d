#include <gtest/gtest.h>

#include "builder/default_messages.h"
#include "format/text_format.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

struct MarkerCase {
    std::size_t number;
    const wchar_t* markers;  // the conversions in order, e.g. L"ss"
    std::string Name() const { return "Message" + std::to_string(number); }
};

class DefaultMessage : public testing::TestWithParam<MarkerCase> {};

// The engine formats values into these texts; the markers must be where its callers expect.
TEST_P(DefaultMessage, HasTheMarkersItsCallerFormats) {
    const std::wstring& text = DefaultEnglishMessages().at(GetParam().number);
    std::wstring found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == L'%' && text[i + 1] != L'%' && (text[i + 1] == L's' || text[i + 1] == L'd'))
            found += text[i + 1];
    }
    EXPECT_EQ(found, GetParam().markers) << "message " << GetParam().number;
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultMessage,
                         testing::Values(MarkerCase{3, L"ss"}, MarkerCase{4, L"ss"}, MarkerCase{5, L"ss"},
                                         MarkerCase{6, L"ss"}, MarkerCase{10, L"s"}, MarkerCase{12, L"s"},
                                         MarkerCase{13, L"d"}, MarkerCase{16, L"s"}, MarkerCase{18, L"s"},
                                         MarkerCase{19, L"sss"}, MarkerCase{22, L"s"}, MarkerCase{23, L"s"},
                                         MarkerCase{38, L"s"}, MarkerCase{40, L"s"}, MarkerCase{56, L"s"},
                                         MarkerCase{59, L"s"}, MarkerCase{61, L"s"}, MarkerCase{73, L"s"},
                                         MarkerCase{81, L"s"}, MarkerCase{96, L"s"}, MarkerCase{106, L"s"},
                                         MarkerCase{107, L"s"}, MarkerCase{112, L"ss"}, MarkerCase{21, L""},
                                         MarkerCase{65, L""}),
                         test::CaseName);

TEST(DefaultMessages, CoverEveryNumberTheEngineUses) {
    const auto& table = DefaultEnglishMessages();
    ASSERT_EQ(table.size(), kDefaultMessageCount);
    // Left empty on purpose: extra licence/readme pages (63, 64), the title override (114)
    // and numbers without a known use.
    for (std::size_t number = 0; number < table.size(); ++number) {
        const bool empty = number == 60 || number == 63 || number == 64 || number == 99 || number == 103 ||
                           number == 105 || number == 114;
        EXPECT_EQ(table[number].empty(), empty) << "message " << number;
    }
    EXPECT_NE(FormatText(table[13], {47}).find(L"Error code: 47"), std::wstring::npos);
    EXPECT_NE(table[77].find(L"<file>"), std::wstring::npos);
}

}  // namespace
}  // namespace vantrel::builder
