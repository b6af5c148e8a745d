#include "support/temp_file_name.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <set>
#include <string>

#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/system_info.h"

namespace vantrel {
namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TEST(TemporaryFolder, ExistsAndHasNoTrailingBackslash) {
    const std::wstring& folder = TemporaryFolder();
    ASSERT_GT(folder.size(), 3u);
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(&folder, &TemporaryFolder());  // determined once
}

TEST(MakeTempFileName, WithoutExtensionTheSystemMakesTheFile) {
    test::TempFolder folder(L"tempname-plain");
    const std::wstring path = MakeTempFileName(folder.Path(), L"");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(FolderOf(path), folder.Path());
    EXPECT_EQ(FileNameOf(path).substr(0, 3), L"QVT");
    EXPECT_TRUE(IsFile(path));
}

TEST(MakeTempFileName, WithAnExtensionNamesHaveTheFixedFormAndAreCreatedExclusively) {
    test::TempFolder folder(L"tempname-ext");
    const std::regex form(R"(^QVT[ 0-9A-F]{4}\.dat$)");
    std::set<std::wstring> names;
    for (int i = 0; i < 20; ++i) {
        const std::wstring path = MakeTempFileName(folder.Path(), i % 2 == 0 ? L".dat" : L"dat");
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(FolderOf(path), folder.Path());
        const std::string name = Utf16ToUtf8(FileNameOf(path));
        EXPECT_TRUE(std::regex_match(name, form)) << name;
        EXPECT_TRUE(IsFile(path));
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 20u);
}

TEST(MakeTempFileName, AMissingFolderIsCreated) {
    test::TempFolder folder(L"tempname-create");
    const std::wstring deeper = folder.Join(L"a\\b");
    const std::wstring path = MakeTempFileName(deeper, L"log");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(FolderOf(path), deeper);
}

TEST(MakeTempFileName, AFolderThatCannotBeCreatedGivesNoName) {
    test::TempFolder folder(L"tempname-blocked");
    const std::wstring blocker = folder.Join(L"file");
    CloseHandle(CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(MakeTempFileName(blocker + L"\\sub", L"tmp"), L"");
}

TEST(MakeTempFileName, NoFolderMeansTheTemporaryFolder) {
    const std::wstring path = MakeTempFileName(L"", L"vtst");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(FolderOf(path), TemporaryFolder());
    DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace vantrel
