// The rules of the wizard pages that need no window: the Start-menu name rule and the
// templates each layout number selects.
#include <gtest/gtest.h>

#include <string>

#include "support/test_names.h"
#include "ui/wizard_page.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

struct StartMenuNameCase {
    const char* name;
    const wchar_t* text;
    bool allowed;
};

class StartMenuName : public testing::TestWithParam<StartMenuNameCase> {};

TEST_P(StartMenuName, NextFollowsTheCharacterRule) {
    EXPECT_EQ(IsStartMenuNameAllowed(GetParam().text), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(
    WizardPages, StartMenuName,
    testing::Values(StartMenuNameCase{"Plain", L"Example Tools", true},
                    StartMenuNameCase{"TwoFoldersJoined", L"Example\\Tools", true},
                    StartMenuNameCase{"Empty", L"", true},
                    StartMenuNameCase{"LeadingBackslash", L"\\Example", false},
                    StartMenuNameCase{"DoubledBackslash", L"Example\\\\Tools", false},
                    StartMenuNameCase{"Colon", L"C:Example", false},
                    StartMenuNameCase{"Semicolon", L"A;B", false}, StartMenuNameCase{"Slash", L"A/B", false},
                    StartMenuNameCase{"Quote", L"A\"B", false}, StartMenuNameCase{"Angles", L"A<B>", false},
                    StartMenuNameCase{"Bar", L"A|B", false}, StartMenuNameCase{"Wildcards", L"A*?", false},
                    StartMenuNameCase{"TrailingBackslash", L"Example\\", true},
                    StartMenuNameCase{"ParentFolder", L"..\\Outside", false},
                    StartMenuNameCase{"ParentInTheMiddle", L"Example\\..\\..\\Outside", false},
                    StartMenuNameCase{"DotsInAName", L"Example..Tools", true}),
    test::CaseName);

struct LayoutCase {
    const char* name;
    std::uint32_t style;
    const wchar_t* languageTemplate;
};

class PageTemplate : public testing::TestWithParam<LayoutCase> {};

TEST_P(PageTemplate, LayoutNumberSelectsTheTemplate) {
    EXPECT_EQ(TemplateName(L"LanguageDlg", LayoutOfStyle(GetParam().style)), GetParam().languageTemplate);
}

INSTANTIATE_TEST_SUITE_P(WizardPages, PageTemplate,
                         testing::Values(LayoutCase{"FullWidth", 0, L"LanguageDlg2"},
                                         LayoutCase{"SidePicture", 1, L"LanguageDlg"},
                                         LayoutCase{"Header", 2, L"LanguageDlg3"},
                                         LayoutCase{"Panel", 3, L"LanguageDlg4"},
                                         LayoutCase{"UnknownIsHeader", 7, L"LanguageDlg3"}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
