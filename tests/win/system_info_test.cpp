#include "support/system_info.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace vantrel {
namespace {

TEST(SystemErrorText, KnownCodesAndFallbacks) {
    EXPECT_EQ(SystemErrorText(0), L"");
    EXPECT_EQ(SystemErrorText(ERROR_INVALID_PASSWORD), L"Incorrect password.");
    const std::wstring notFound = SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(notFound.empty());
    EXPECT_NE(notFound.back(), L'\n') << "the system text is trimmed";
    EXPECT_EQ(SystemErrorText(0x2FFFFFF1), L"Error 0x2FFFFFF1");
}

TEST(PathPieces, FolderAndFileName) {
    EXPECT_EQ(FileNameOf(L"C:\\a\\b\\setup.exe"), L"setup.exe");
    EXPECT_EQ(FileNameOf(L"setup.exe"), L"setup.exe");
    EXPECT_EQ(FolderOf(L"C:\\a\\b\\setup.exe"), L"C:\\a\\b");
    EXPECT_EQ(FolderOf(L"C:\\setup.exe"), L"C:\\");
    EXPECT_EQ(FolderOf(L"setup.exe"), L"");
}

TEST(RunStamp, TopBitIsAlwaysClear) {
    const std::uint64_t stamp = TakeRunStamp();
    EXPECT_NE(stamp, 0u);
    EXPECT_EQ(stamp >> 63, 0u);
}

TEST(ModuleFilePath, NamesThisProgram) {
    EXPECT_EQ(FileNameOf(ModuleFilePath()), L"win_tests.exe");
}

TEST(SystemCodePage, UnconvertibleCharactersBecomeQuestionMarks) {
    EXPECT_EQ(ToSystemCodePage(L"plain"), "plain");
    EXPECT_EQ(ToSystemCodePage(L"\u4e2d"), "?");
}

}  // namespace
}  // namespace vantrel
