// The programs an installation or an uninstallation closes: which entry of the list matches
// a window, and what happens to a real program of another process.
#include "uninstall/running_programs.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "support/running_editor.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

AutoCloseEntry Entry(const wchar_t* title, const char* className, std::uint8_t action = 0,
                     std::uint8_t phaseMask = 2) {
    return test::CloseListEntry(title, className, action, phaseMask);
}

struct MatchCase {
    const char* name;
    const wchar_t* titlePattern;
    const char* classPattern;
    const wchar_t* title;
    const wchar_t* className;
    bool matches;
};

class AutoCloseMatching : public testing::TestWithParam<MatchCase> {};

TEST_P(AutoCloseMatching, TestsTheGivenPatterns) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(AutoCloseMatches(Entry(c.titlePattern, c.classPattern), c.title, c.className), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    RunningPrograms, AutoCloseMatching,
    testing::Values(MatchCase{"TitleInFull", L"Editor", "", L"Editor", L"AnyClass", true},
                    MatchCase{"TitleInFullOnlyPart", L"Editor", "", L"My Editor", L"AnyClass", false},
                    MatchCase{"TitleLongerThanPattern", L"Editor", "", L"Editor 2", L"AnyClass", false},
                    MatchCase{"TitleContains", L"*Editor", "", L"report.txt - Editor 2", L"AnyClass", true},
                    MatchCase{"TitleContainsNot", L"*Editor", "", L"Viewer", L"AnyClass", false},
                    MatchCase{"LetterCaseCounts", L"*editor", "", L"My Editor", L"AnyClass", false},
                    MatchCase{"StarAloneMatchesAnyTitle", L"*", "", L"", L"AnyClass", true},
                    MatchCase{"ClassInFull", L"", "EditorFrame", L"Anything", L"EditorFrame", true},
                    MatchCase{"ClassContains", L"", "*Frame", L"Anything", L"EditorFrame", true},
                    MatchCase{"ClassDiffers", L"", "EditorFrame", L"Anything", L"ViewerFrame", false},
                    MatchCase{"BothMustMatch", L"*Editor", "EditorFrame", L"My Editor", L"ViewerFrame",
                              false},
                    MatchCase{"BothMatch", L"*Editor", "EditorFrame", L"My Editor", L"EditorFrame", true},
                    MatchCase{"NoPatternMatchesNothing", L"", "", L"", L"", false}),
    test::CaseName);

struct FirstPassCase {
    const char* name;
    const wchar_t* title;
    const wchar_t* className;
    int expected;  // index into the list below, -1 for none
};

class FirstPass : public testing::TestWithParam<FirstPassCase> {};

// The first entry of phase 2 that matches acts, and only that one.
TEST_P(FirstPass, TakesTheFirstMatchingEntryOfItsPhase) {
    const std::vector<AutoCloseEntry> list = {
        Entry(L"*Editor", "", 2, 4),      // asked for in the second pass only
        Entry(L"", "EditorFrame", 3, 2),  // ended
        Entry(L"*Editor", "", 0, 2),      // closed
        Entry(L"*Editor", "", 1, 2 | 4),  // never reached for an editor: the one above wins
        Entry(L"Viewer", "ViewerFrame", 1, 2 | 4)};
    const FirstPassCase& c = GetParam();
    const AutoCloseEntry* entry = FirstPassEntry(list, c.title, c.className);
    EXPECT_EQ(entry == nullptr ? -1 : static_cast<int>(entry - list.data()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(RunningPrograms, FirstPass,
                         testing::Values(FirstPassCase{"ClassBeforeTitle", L"My Editor", L"EditorFrame", 1},
                                         FirstPassCase{"TitleOnly", L"My Editor", L"Other", 2},
                                         FirstPassCase{"PhaseFourAndTwo", L"Viewer", L"ViewerFrame", 4},
                                         FirstPassCase{"NoEntry", L"Calculator", L"Other", -1}),
                         test::CaseName);

struct CloseCase {
    const char* name;
    std::uint8_t action;
    std::optional<DWORD> exitCode;  // nothing: any
};

class FirstPassOnARunningProgram : public testing::TestWithParam<CloseCase> {};

TEST_P(FirstPassOnARunningProgram, EndsIt) {
    const CloseCase& c = GetParam();
    test::RunningEditor editor(L"vantrel-close-" + std::wstring(c.name, c.name + strlen(c.name)));
    ASSERT_NE(editor.Window(), nullptr) << "the editor did not open a window";
    // Another entry that matches nothing comes first; the program's entry matches its title
    // by a part of it.
    const std::wstring pattern = L"*" + editor.DocumentName();
    CloseRunningPrograms({Entry(L"Nothing like it", "", 3), Entry(pattern.c_str(), "", c.action)});
    const std::optional<DWORD> exitCode = editor.Process().Wait(60000);
    ASSERT_TRUE(exitCode.has_value()) << "still running";
    if (c.exitCode) {
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

INSTANTIATE_TEST_SUITE_P(RunningPrograms, FirstPassOnARunningProgram,
                         testing::Values(CloseCase{"Close", 0, std::nullopt},
                                         CloseCase{"Quit", 1, std::nullopt},
                                         CloseCase{"Terminate", 3, DWORD{1}}),
                         test::CaseName);

TEST(RunningPrograms, FirstPassLeavesProgramsThatAreOnlyAskedFor) {
    test::RunningEditor editor(L"vantrel-close-asked");
    ASSERT_NE(editor.Window(), nullptr);
    CloseRunningPrograms({Entry(editor.Title().c_str(), "", 2, 4)});
    EXPECT_FALSE(editor.Process().Wait(1500).has_value());
}

TEST(RunningPrograms, SecondPassAsksUntilTheProgramIsGone) {
    test::RunningEditor editor(L"vantrel-close-retry");
    ASSERT_NE(editor.Window(), nullptr);
    std::vector<std::wstring> asked;
    const bool closed =
        WaitForProgramsToClose({Entry(editor.Title().c_str(), "", 2, 4)}, [&](const std::wstring& name) {
            asked.push_back(name);
            // The user closes it, then chooses Retry.
            PostMessageW(editor.Window(), WM_CLOSE, 0, 0);
            EXPECT_TRUE(editor.WindowGone());
            return true;
        });
    EXPECT_TRUE(closed);
    EXPECT_EQ(asked, std::vector<std::wstring>{L"The Editor"});
}

TEST(RunningPrograms, SecondPassStopsWhenTheUserCancels) {
    test::RunningEditor editor(L"vantrel-close-cancel");
    ASSERT_NE(editor.Window(), nullptr);
    int asked = 0;
    EXPECT_FALSE(WaitForProgramsToClose({Entry(editor.Title().c_str(), "", 2, 4)}, [&](const std::wstring&) {
        ++asked;
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(editor.Process().Wait(0).has_value());
}

}  // namespace
}  // namespace vantrel
