// The checks of a chosen installation folder, on the folders of the test prefix: what each
// refuses, with which text, what it asks, and that an accepted folder exists afterwards.
#include "engine/folder_checks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "support/child_process.h"
#include "support/shell_folders.h"
#include "support/test_files.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::PathExists;
using test::TempFolder;

// Each message says which it is, with its inserted values behind it.
MessageTable CheckMessages() {
    std::vector<std::wstring> texts(120);
    for (const std::size_t number : {14u, 17u, 20u, 24u, 25u, 30u, 66u})
        texts[number] = L"M" + std::to_wstring(number);
    texts[16] = L"M16 %s";
    texts[18] = L"M18 %s";
    texts[19] = L"M19 %s %s %s";
    texts[22] = L"M22 %s";
    texts[23] = L"M23 %s";
    texts[73] = L"M73 %s";
    texts[96] = L"M96 %s";
    return MessageTable({L"English"}, texts);
}

const MessageTable& Messages() {
    static const MessageTable messages = CheckMessages();
    return messages;
}

wchar_t MissingDriveLetter() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter)
        if ((drives & (1u << (letter - L'A'))) == 0)
            return letter;
    return 0;
}

struct FolderCase {
    const char* name;
    // The folder as typed, made from the test's own temporary folder.
    std::wstring (*typed)(const std::wstring& temp);
    std::uint32_t flagsHigh;
    std::uint32_t flags2;
    // Nothing: accepted. Otherwise the text shown (made from the trimmed folder).
    std::optional<std::wstring> (*refusal)(const std::wstring& folder);
};

std::optional<std::wstring> Accepted(const std::wstring&) {
    return std::nullopt;
}
std::optional<std::wstring> NotUsable(const std::wstring& folder) {
    return L"M14\r\n\r\n" + folder;
}

class FolderChecks : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderChecks, RefuseWhatCannotHoldAnInstallation) {
    const FolderCase& c = GetParam();
    TempFolder temp(L"folder-checks-" + std::wstring(c.name, c.name + strlen(c.name)));
    std::wstring folder = c.typed(temp.Path());
    if (folder.empty() && std::string_view(c.name) != "Empty")
        GTEST_SKIP() << "the prefix has no such folder";
    FolderCheckContext context;
    context.messages = &Messages();
    context.flagsHigh = c.flagsHigh;
    context.flags2 = c.flags2;
    const std::optional<std::wstring> result = CheckInstallFolder(folder, context);
    const std::optional<std::wstring> expected = c.refusal(folder);
    EXPECT_EQ(result, expected) << "folder: " << std::string(folder.begin(), folder.end());
    if (!result) {
        EXPECT_TRUE(PathExists(folder));
        // The probe file is gone again.
        EXPECT_EQ(test::CountFilesStartingWith(folder, L"QVT"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FolderChecks, FolderChecks,
    testing::Values(
        FolderCase{"NewFolderIsCreated", [](const std::wstring& base) { return base + L"\\new\\app"; }, 0, 0,
                   Accepted},
        FolderCase{"BlanksAndFinalBackslashAreTrimmed",
                   [](const std::wstring& base) { return L"  \t" + base + L"\\app\\  "; }, 0, 0,
                   [](const std::wstring& folder) -> std::optional<std::wstring> {
                       if (folder.back() == L'\\' || folder.front() == L' ')
                           return L"not trimmed";
                       return std::nullopt;
                   }},
        FolderCase{"Empty", [](const std::wstring&) { return std::wstring(L"   "); }, 0, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> { return std::wstring(); }},
        FolderCase{"Relative", [](const std::wstring&) { return std::wstring(L"Programs\\App"); }, 0, 0,
                   NotUsable},
        FolderCase{"DriveRelative", [](const std::wstring&) { return std::wstring(L"C:App"); }, 0, 0,
                   NotUsable},
        FolderCase{"FinalDot", [](const std::wstring& base) { return base + L"\\app."; }, 0, 0, NotUsable},
        FolderCase{"DotInside", [](const std::wstring& base) { return base + L"\\..\\app"; }, 0, 0,
                   NotUsable},
        FolderCase{"ForbiddenCharacter", [](const std::wstring& base) { return base + L"\\a|b"; }, 0, 0,
                   NotUsable},
        FolderCase{"TwoBackslashesInside", [](const std::wstring& base) { return base + L"\\\\app"; }, 0, 0,
                   NotUsable},
        FolderCase{"Desktop", [](const std::wstring&) { return DesktopFolder(); }, 0, 0, NotUsable},
        FolderCase{"StartMenu", [](const std::wstring&) { return StartMenuFolder() + L"\\"; }, 0, 0,
                   NotUsable},
        FolderCase{"MissingDrive",
                   [](const std::wstring&) {
                       const wchar_t letter = MissingDriveLetter();
                       return letter == 0 ? std::wstring() : std::wstring(1, letter) + L":\\Programs\\App";
                   },
                   0, 0,
                   [](const std::wstring& folder) -> std::optional<std::wstring> {
                       return L"M16 " + folder.substr(0, 2);
                   }},
        FolderCase{"DriveRoot", [](const std::wstring&) { return std::wstring(L"C:\\"); }, 0, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> { return std::wstring(L"M17"); }},
        FolderCase{"ProgramFiles", [](const std::wstring&) { return ProgramFilesFolder(FolderView::k32Bit); },
                   0, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> {
                       return L"M18 " + ProgramFilesFolder(FolderView::k32Bit);
                   }},
        FolderCase{"ProgramFiles64",
                   [](const std::wstring&) { return ProgramFilesFolder(FolderView::k64Bit) + L"\\"; }, 0, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> {
                       return L"M18 " + ProgramFilesFolder(FolderView::k64Bit);
                   }},
        FolderCase{"NetworkPathWhereOnlyLocalFoldersAreAllowed",
                   [](const std::wstring&) { return std::wstring(L"\\\\server\\share\\App"); }, 0x20, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> { return std::wstring(L"M66"); }},
        FolderCase{"UnreachableNetworkShare",
                   [](const std::wstring&) { return std::wstring(L"\\\\server.invalid\\share\\App"); }, 0, 0,
                   [](const std::wstring&) -> std::optional<std::wstring> {
                       return std::wstring(L"M96 \\\\server.invalid\\share");
                   }},
        FolderCase{"NonAsciiWhereOnlyAsciiIsAllowed",
                   [](const std::wstring& base) { return base + L"\\Programme \u00e9t\u00e9"; }, 0, 0x10000,
                   [](const std::wstring&) -> std::optional<std::wstring> { return std::wstring(L"M30"); }},
        FolderCase{"NonAsciiAllowed",
                   [](const std::wstring& base) { return base + L"\\Programme \u00e9t\u00e9"; }, 0, 0,
                   Accepted},
        // procfs takes no new files, not even from root.
        FolderCase{
            "NoFileCanBeMade",
            [](const std::wstring&) {
                return GetFileAttributesW(L"Z:\\proc\\self") == INVALID_FILE_ATTRIBUTES
                           ? std::wstring()
                           : std::wstring(L"Z:\\proc");
            },
            0, 0,
            [](const std::wstring& folder) -> std::optional<std::wstring> { return L"M73 " + folder; }}),
    test::CaseName);

// The system error text of a failed creation cannot be written into the table above.
TEST(FolderChecks, FailedCreationShowsTheSystemsReason) {
    TempFolder temp(L"folder-checks-reason");
    ASSERT_TRUE(test::WriteTestFile(temp.Join(L"blocker"), "x"));
    std::wstring folder = temp.Join(L"blocker\\app");
    FolderCheckContext context;
    context.messages = &Messages();
    const std::optional<std::wstring> result = CheckInstallFolder(folder, context);
    ASSERT_TRUE(result);
    const std::wstring start = L"M25\r\n" + folder + L"\r\n\r\n";
    ASSERT_GT(result->size(), start.size());
    EXPECT_EQ(result->substr(0, start.size()), start);
}

struct QuestionCase {
    const char* name;
    bool folderExists;
    bool needsMoreThanFree;
    bool existingInstallation;
    std::vector<bool> answers;
    std::vector<std::wstring> expectedCaptions;  // the questions asked, in order
    bool accepted;
};

class FolderQuestions : public testing::TestWithParam<QuestionCase> {};

TEST_P(FolderQuestions, AskAndShowThePageAgainOnNo) {
    const QuestionCase& c = GetParam();
    TempFolder temp(L"folder-questions-" + std::wstring(c.name, c.name + strlen(c.name)));
    std::wstring folder = temp.Join(L"app");
    if (c.folderExists) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    const std::wstring chosen = folder;
    FolderCheckContext context;
    context.messages = &Messages();
    context.flagsLow = 0x80000000;
    context.existingInstallation = c.existingInstallation;
    context.requiredSpace = [&c](const std::wstring&) {
        return c.needsMoreThanFree ? ~std::uint64_t{0} : std::uint64_t{1024};
    };
    std::vector<std::wstring> captions;
    std::vector<std::wstring> texts;
    std::size_t next = 0;
    context.askYesNo = [&](const std::wstring& text, const std::wstring& caption) {
        captions.push_back(caption);
        texts.push_back(text);
        return next < c.answers.size() ? c.answers[next++] : true;
    };
    const std::optional<std::wstring> result = CheckInstallFolder(folder, context);
    EXPECT_EQ(captions, c.expectedCaptions);
    if (c.accepted) {
        EXPECT_EQ(result, std::nullopt);
        EXPECT_TRUE(PathExists(chosen));
    } else {
        // Refused without a message of its own: the page is simply shown again.
        EXPECT_EQ(result, std::optional<std::wstring>(std::wstring()));
        EXPECT_EQ(PathExists(chosen), c.folderExists);
    }
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (captions[i] == L"M20") {
            EXPECT_EQ(texts[i].rfind(L"M19 16777216.00 TB " + chosen.substr(0, 2) + L" ", 0), 0u);
        } else {
            EXPECT_EQ(texts[i], (c.folderExists ? L"M22 " : L"M23 ") + chosen);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    FolderChecks, FolderQuestions,
    testing::Values(
        QuestionCase{"NewFolderConfirmed", false, false, false, {true}, {L"M24"}, true},
        QuestionCase{"NewFolderDeclined", false, false, false, {false}, {L"M24"}, false},
        QuestionCase{"ExistingFolderConfirmed", true, false, false, {true}, {L"M24"}, true},
        QuestionCase{"TooLittleSpaceAccepted", false, true, false, {true, true}, {L"M20", L"M24"}, true},
        QuestionCase{"TooLittleSpaceDeclined", false, true, false, {false}, {L"M20"}, false},
        QuestionCase{"TooLittleSpaceOverAnEarlierInstallation", false, true, true, {true}, {L"M24"}, true}),
    test::CaseName);

TEST(FolderChecks, FolderInsideProgramFilesIsAccepted) {
    std::wstring folder = ProgramFilesFolder(FolderView::k32Bit) + L"\\Vantrel Folder Checks";
    FolderCheckContext context;
    context.messages = &Messages();
    EXPECT_EQ(CheckInstallFolder(folder, context), std::nullopt);
    EXPECT_TRUE(PathExists(folder));
    RemoveDirectoryW(folder.c_str());
}

// Without anybody to ask (automatic mode) the questions pass and the folder is made.
TEST(FolderChecks, WithoutQuestionsTheFolderIsMade) {
    TempFolder temp(L"folder-checks-unattended");
    std::wstring folder = temp.Join(L"app");
    FolderCheckContext context;
    context.messages = &Messages();
    context.flagsLow = 0x80000000;
    context.requiredSpace = [](const std::wstring&) { return ~std::uint64_t{0}; };
    EXPECT_EQ(CheckInstallFolder(folder, context), std::nullopt);
    EXPECT_TRUE(PathExists(folder));
}

struct SizeCase {
    const char* name;
    std::uint64_t bytes;
    const wchar_t* text;
};

class ByteSizes : public testing::TestWithParam<SizeCase> {};

TEST_P(ByteSizes, AreWrittenInTheLargestUnitBelowTheirSize) {
    EXPECT_EQ(ByteSizeText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    FolderChecks, ByteSizes,
    testing::Values(SizeCase{"Zero", 0, L"0 bytes"}, SizeCase{"Below1K", 1023, L"1023 bytes"},
                    SizeCase{"OneK", 1024, L"1.00 KB"}, SizeCase{"OneAndAHalfK", 1536, L"1.50 KB"},
                    SizeCase{"Rounded", 1024 + 5, L"1.00 KB"}, SizeCase{"OneM", 1048576, L"1.00 MB"},
                    SizeCase{"TwoPointFiveG", 2684354560ull, L"2.50 GB"},
                    SizeCase{"OneT", 1099511627776ull, L"1.00 TB"},
                    SizeCase{"ThousandT", 1099511627776000ull, L"1000.00 TB"}),
    test::CaseName);

}  // namespace
}  // namespace vantrel
