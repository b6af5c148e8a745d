// Deleting files, moving them, removing folders and trees, registering restart operations.
#include "uninstall/file_removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <knownfolders.h>
#include <shlobj.h>

#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/restart_operations.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/test_files.h"
#include "win/pending_list.h"

namespace vantrel {
namespace {

using test::PathExists;
using test::WriteTestFile;

using test::PendingListCleanup;
using test::PendingListHolds;

TEST(FileDeletion, MissingFiles) {
    test::TempFolder folder(L"delete-missing");
    EXPECT_TRUE(DeleteFileWithFlags(folder.Join(L"none.txt"), delete_flags::kMissingIsSuccess));
    EXPECT_TRUE(DeleteFileWithFlags(folder.Join(L"none\\none.txt"), delete_flags::kMissingIsSuccess));
    EXPECT_FALSE(DeleteFileWithFlags(folder.Join(L"none.txt"), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileWithFlags(L"", delete_flags::kMissingIsSuccess));
}

TEST(FileDeletion, ReadOnlyAndEmptyOnly) {
    test::TempFolder folder(L"delete-flags");
    const std::wstring readOnly = folder.Join(L"ro.txt");
    ASSERT_TRUE(WriteTestFile(readOnly, "x"));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFileWithFlags(readOnly, delete_flags::kKeepReadOnly));
    EXPECT_TRUE(PathExists(readOnly));
    EXPECT_TRUE(DeleteFileWithFlags(readOnly, 0));
    EXPECT_FALSE(PathExists(readOnly));

    const std::wstring full = folder.Join(L"full.txt");
    const std::wstring empty = folder.Join(L"empty.txt");
    ASSERT_TRUE(WriteTestFile(full, "data") && WriteTestFile(empty, ""));
    EXPECT_FALSE(DeleteFileWithFlags(full, delete_flags::kOnlyIfEmpty));
    EXPECT_TRUE(PathExists(full));
    EXPECT_TRUE(DeleteFileWithFlags(empty, delete_flags::kOnlyIfEmpty));
    EXPECT_FALSE(PathExists(empty));
    EXPECT_FALSE(DeleteEncodedFile("|", delete_flags::kMissingIsSuccess)) << "an empty path";
}

TEST(FileDeletion, EncodedPathAndLockedFileRegisteredForRestart) {
    test::TempFolder folder(L"delete-locked");
    const std::wstring locked = folder.Join(L"caf\u00E9.txt");
    ASSERT_TRUE(WriteTestFile(locked, "x"));
    PendingListCleanup cleanup{{locked}};
    test::LockedFile lock(locked);
    ASSERT_TRUE(lock.Valid());
    EXPECT_FALSE(DeleteEncodedFile(EncodeText(locked), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(DeleteFileWithFlags(locked, delete_flags::kAtRestartIfLocked));
    EXPECT_TRUE(PathExists(locked));
    EXPECT_TRUE(PendingListHolds(locked));
}

TEST(FileDeletion, MissingFileIsNotRegisteredForRestart) {
    test::TempFolder folder(L"delete-missing-restart");
    const std::wstring missing = folder.Join(L"none.txt");
    EXPECT_FALSE(DeleteFileWithFlags(missing, delete_flags::kAtRestartIfLocked));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(PendingListHolds(missing));
}

TEST(FileMove, FlagTable) {
    test::TempFolder folder(L"move-flags");
    const std::wstring source = folder.Join(L"source.txt");
    const std::wstring target = folder.Join(L"target.txt");
    ASSERT_TRUE(WriteTestFile(source, "source"));

    EXPECT_FALSE(MoveFileWithFlags(source, target, move_flags::kTargetMustExist));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(WriteTestFile(target, "old"));
    EXPECT_FALSE(MoveFileWithFlags(source, target, move_flags::kTargetMustNotExist));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(MoveFileWithFlags(source, target, move_flags::kRefuseReadOnlyTarget));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Without those flags an existing target (read-only too) is replaced.
    EXPECT_TRUE(MoveFileWithFlags(source, target, 0));
    EXPECT_EQ(test::ReadTestFile(target), "source");
    EXPECT_FALSE(PathExists(source));

    // Into a folder that is made first, by a name relative to the source's folder.
    EXPECT_TRUE(MoveFileWithFlags(
        target, L"made\\deeper",
        move_flags::kRelativeToSource | move_flags::kTargetIsFolder | move_flags::kCreateTargetFolder));
    EXPECT_EQ(test::ReadTestFile(folder.Join(L"made\\deeper\\target.txt")), "source");
}

TEST(FileMove, SameFileOnlyMakesTheFolder) {
    test::TempFolder folder(L"move-same");
    const std::wstring file = folder.Join(L"a.txt");
    ASSERT_TRUE(WriteTestFile(file, "keep"));
    // The same file by another spelling: nothing is deleted, nothing moved.
    EXPECT_TRUE(MoveFileWithFlags(file, folder.Join(L"sub\\..\\A.TXT"), move_flags::kTargetMustNotExist));
    EXPECT_TRUE(MoveFileWithFlags(file, file, 0));
    EXPECT_EQ(test::ReadTestFile(file), "keep");
}

TEST(FileMove, RestartFormRegistersTheReplacement) {
    test::TempFolder folder(L"move-restart");
    const std::wstring source = folder.Join(L"new.txt");
    const std::wstring target = folder.Join(L"old.txt");
    ASSERT_TRUE(WriteTestFile(source, "new") && WriteTestFile(target, "old"));
    PendingListCleanup cleanup{{target}};
    EXPECT_TRUE(MoveFileWithFlags(source, target, move_flags::kAtRestart));
    EXPECT_EQ(test::ReadTestFile(target), "old");
    EXPECT_TRUE(PendingListHolds(target));
}

TEST(RemoveFolder, RootsShellFilesAndMissingFolders) {
    test::TempFolder folder(L"remove-folder");
    EXPECT_FALSE(RemoveFolder(L"C:\\", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
    EXPECT_FALSE(RemoveFolder(L"C:", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));

    const std::wstring shellOnly = folder.Join(L"shell-only");
    ASSERT_TRUE(CreateDirectoryW(shellOnly.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(shellOnly + L"\\desktop.ini", "[.ShellClassInfo]") &&
                WriteTestFile(shellOnly + L"\\Thumbs.db", "x"));
    SetFileAttributesW((shellOnly + L"\\desktop.ini").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(RemoveFolder(shellOnly, remove_folder_flags::kTouchNothingInside));
    EXPECT_TRUE(PathExists(shellOnly + L"\\desktop.ini"));
    EXPECT_TRUE(RemoveFolder(shellOnly + L"\\", 0));
    EXPECT_FALSE(PathExists(shellOnly));

    const std::wstring withFile = folder.Join(L"with-file");
    ASSERT_TRUE(CreateDirectoryW(withFile.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(withFile + L"\\user.txt", "mine"));
    EXPECT_FALSE(RemoveFolder(withFile, 0));
    EXPECT_TRUE(PathExists(withFile + L"\\user.txt"));

    EXPECT_FALSE(RemoveFolder(folder.Join(L"missing"), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(RemoveFolder, AProtectedFolderIsNotRemovedEvenWhenEmpty) {
    test::TempFolder folder(L"remove-folder-guard");
    const std::wstring desktop = folder.Join(L"Desktop");
    ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(desktop + L"\\desktop.ini", "[.ShellClassInfo]"));
    const FolderGuard guard({desktop});
    EXPECT_FALSE(RemoveFolder(desktop, 0, guard));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(PathExists(desktop + L"\\desktop.ini"));
}

// A view of the file system that fails the test when a refused tree is looked at at all.
FolderTreeView Tripwire() {
    FolderTreeView view;
    view.list = [](const std::wstring& folder, std::vector<FolderEntry>&) {
        ADD_FAILURE() << "listed a refused folder: " << testing::PrintToString(folder);
        return true;
    };
    view.attributes = [](const std::wstring& path) -> DWORD {
        ADD_FAILURE() << "looked at a refused folder: " << testing::PrintToString(path);
        return INVALID_FILE_ATTRIBUTES;
    };
    return view;
}

std::wstring Profile() {
    return SpecialFolderPath(CSIDL_PROFILE);
}

struct RefusedCase {
    const char* name;
    std::wstring (*path)();
};

class RemoveTreeRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(RemoveTreeRefuses, NothingIsTouched) {
    const std::wstring path = GetParam().path();
    ASSERT_FALSE(path.empty());
    SetLastError(0);
    EXPECT_FALSE(RemoveFolderTree(path, 0, FolderGuard::System(), Tripwire()))
        << testing::PrintToString(path);
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_ACCESS_DENIED || error == ERROR_BAD_PATHNAME) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemoveTreeRefuses,
    testing::Values(RefusedCase{"DriveRoot", [] { return std::wstring(L"C:\\"); }},
                    RefusedCase{"DriveRootWithoutSeparator", [] { return std::wstring(L"C:"); }},
                    RefusedCase{"DriveRootLongForm", [] { return std::wstring(L"\\\\?\\C:\\"); }},
                    RefusedCase{"Windows", [] { return WindowsFolder(); }},
                    RefusedCase{"WindowsOtherCase", [] { return std::wstring(L"c:\\WINDOWS\\"); }},
                    RefusedCase{"WindowsLongPrefix", [] { return L"\\\\?\\" + WindowsFolder(); }},
                    RefusedCase{"WindowsTrailingDotsAndSpaces", [] { return WindowsFolder() + L". . "; }},
                    RefusedCase{"System", [] { return SystemFolder(); }},
                    RefusedCase{"Fonts", [] { return SpecialFolderPath(CSIDL_FONTS); }},
                    RefusedCase{"ProgramFiles32", [] { return ProgramFilesFolder(FolderView::k32Bit); }},
                    RefusedCase{"ProgramFiles64", [] { return ProgramFilesFolder(FolderView::k64Bit); }},
                    RefusedCase{"CommonFiles32", [] { return CommonFilesFolder(FolderView::k32Bit); }},
                    RefusedCase{"CommonFiles64", [] { return CommonFilesFolder(FolderView::k64Bit); }},
                    RefusedCase{"Profile", [] { return Profile(); }},
                    RefusedCase{"ProfilesFolder", [] { return Profile() + L"\\.."; }},
                    RefusedCase{"DesktopThroughProgramFiles",
                                [] {
                                    const std::wstring desktop = DesktopFolder();
                                    return ProgramFilesFolder(FolderView::k32Bit) + L"\\..\\" +
                                           desktop.substr(3) + L"\\.";
                                }},
                    RefusedCase{"Desktop", [] { return DesktopFolder(); }},
                    RefusedCase{"DesktopAllUsers", [] { return DesktopAllFolder(); }},
                    RefusedCase{"Documents", [] { return DocumentFolder(); }},
                    RefusedCase{"DocumentsAllUsers", [] { return DocumentAllFolder(); }},
                    RefusedCase{"Downloads", [] { return KnownFolderPath(FOLDERID_Downloads); }},
                    RefusedCase{"Music", [] { return SpecialFolderPath(CSIDL_MYMUSIC); }},
                    RefusedCase{"Pictures", [] { return SpecialFolderPath(CSIDL_MYPICTURES); }},
                    RefusedCase{"Videos", [] { return SpecialFolderPath(CSIDL_MYVIDEO); }},
                    RefusedCase{"Favorites", [] { return FavoritesFolder(); }},
                    RefusedCase{"StartMenu", [] { return StartMenuFolder(); }},
                    RefusedCase{"StartMenuAllUsers", [] { return StartMenuAllFolder(); }},
                    RefusedCase{"Programs", [] { return SMProgramsFolder(); }},
                    RefusedCase{"Startup", [] { return StartupFolder(); }},
                    RefusedCase{"AppDataRoaming", [] { return AppDataFolder(); }},
                    RefusedCase{"AppDataLocal", [] { return SpecialFolderPath(CSIDL_LOCAL_APPDATA); }},
                    RefusedCase{"AppDataAllUsers", [] { return AppDataAllFolder(); }},
                    RefusedCase{"Public", [] { return KnownFolderPath(FOLDERID_Public); }},
                    RefusedCase{"Temporary",
                                [] {
                                    wchar_t buffer[MAX_PATH + 1] = {};
                                    GetTempPathW(MAX_PATH, buffer);
                                    return std::wstring(buffer);
                                }}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(RemoveTree, KeepsTheFirstErrorRemovesTheRestAndNeverFollowsALink) {
    test::TempFolder folder(L"remove-tree");
    const std::wstring tree = folder.Join(L"tree");
    const std::wstring sentinel = folder.Join(L"user-files");
    for (const std::wstring& made :
         {tree, tree + L"\\a-sub", tree + L"\\a-sub\\deep", tree + L"\\b-link", sentinel})
        ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(tree + L"\\a-sub\\locked.txt", "locked"));
    ASSERT_TRUE(WriteTestFile(tree + L"\\a-sub\\deep\\x.txt", "x"));
    ASSERT_TRUE(WriteTestFile(tree + L"\\b-link\\target-of-link.txt", "not ours"));
    ASSERT_TRUE(WriteTestFile(tree + L"\\c-ro.txt", "ro"));
    SetFileAttributesW((tree + L"\\c-ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteTestFile(sentinel + L"\\letter.txt", "mine"));

    // Wine cannot make a junction: the view reports "b-link" as one, as Windows would; the
    // entries come in name order so the first error is known.
    FolderTreeView view;
    view.list = [](const std::wstring& listed, std::vector<FolderEntry>& entries) {
        const bool ok = ListFolder(listed, entries);
        for (FolderEntry& entry : entries)
            if (entry.name == L"b-link")
                entry.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return ok;
    };
    const FolderGuard guard({folder.Join(L"elsewhere")});
    test::LockedFile lock(tree + L"\\a-sub\\locked.txt");
    ASSERT_TRUE(lock.Valid());
    EXPECT_FALSE(RemoveFolderTree(tree, 0, guard, view));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(PathExists(tree + L"\\a-sub\\locked.txt"));
    EXPECT_FALSE(PathExists(tree + L"\\a-sub\\deep"));
    EXPECT_FALSE(PathExists(tree + L"\\c-ro.txt"));
    // The link was only unlinked (which fails here, as it is really a folder): what it points to stays.
    EXPECT_EQ(test::ReadTestFile(tree + L"\\b-link\\target-of-link.txt"), "not ours");
    EXPECT_EQ(test::ReadTestFile(sentinel + L"\\letter.txt"), "mine");
}

// Where the system can make a real directory link (Windows with the privilege; Wine does
// not), the link inside a removed tree goes and what it points to stays.
TEST(RemoveTree, ARealDirectoryLinkIsUnlinkedNotFollowed) {
    test::TempFolder folder(L"remove-tree-real-link");
    const std::wstring tree = folder.Join(L"tree");
    const std::wstring outside = folder.Join(L"outside");
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr) && CreateDirectoryW(outside.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(outside + L"\\precious.txt", "keep"));
    const std::wstring link = tree + L"\\link";
    if (!CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !IsLinkAttributes(GetFileAttributesW(link.c_str())))
        GTEST_SKIP() << "this system makes no directory links";
    EXPECT_TRUE(RemoveFolderTree(tree, 0, FolderGuard({})));
    EXPECT_FALSE(PathExists(tree));
    EXPECT_EQ(test::ReadTestFile(outside + L"\\precious.txt"), "keep");
}

TEST(RemoveTree, ATreeThatIsALinkIsOnlyUnlinked) {
    test::TempFolder folder(L"remove-tree-link");
    const std::wstring link = folder.Join(L"link");
    ASSERT_TRUE(CreateDirectoryW(link.c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(link + L"\\kept.txt", "kept"));
    FolderTreeView view;
    view.attributes = [](const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_REPARSE_POINT;
    };
    view.list = [](const std::wstring& listed, std::vector<FolderEntry>&) {
        ADD_FAILURE() << "listed the inside of a link: " << testing::PrintToString(listed);
        return true;
    };
    EXPECT_FALSE(RemoveFolderTree(link, 0, FolderGuard({}), view));
    EXPECT_EQ(test::ReadTestFile(link + L"\\kept.txt"), "kept");
}

TEST(RemoveTree, AWholeTreeGoesAndAMissingOneFails) {
    test::TempFolder folder(L"remove-tree-whole");
    const std::wstring tree = folder.Join(L"tree");
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(tree + L"\\sub\\a.txt", "a"));
    ASSERT_TRUE(WriteTestFile(tree + L"\\b.txt", "b"));
    SetFileAttributesW((tree + L"\\sub\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((tree + L"\\sub").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(RemoveFolderTree(tree + L"\\sub\\..\\", 0));
    EXPECT_FALSE(PathExists(tree));
    EXPECT_TRUE(PathExists(folder.Path()));
    EXPECT_FALSE(RemoveFolderTree(tree, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// The old restart file: short names, newest entry first, the file made when missing.
TEST(RestartFile, WininitEntriesUseShortNamesNewestFirst) {
    test::TempFolder windows(L"wininit");
    const std::wstring deleted = windows.Join(L"a long file name.txt");
    const std::wstring replaced = windows.Join(L"another long name.dll");
    ASSERT_TRUE(WriteTestFile(deleted, "x") && WriteTestFile(replaced, "y"));
    EXPECT_FALSE(HasWininitProgram(windows.Path()));
    ASSERT_TRUE(AddWininitEntry(windows.Path(), L"NUL", deleted));
    ASSERT_TRUE(AddWininitEntry(windows.Path(), replaced, deleted));
    const std::string expected = "[rename]\r\n" + ToSystemCodePage(ShortPathOf(replaced)) + "=" +
                                 ToSystemCodePage(ShortPathOf(deleted)) +
                                 "\r\nNUL=" + ToSystemCodePage(ShortPathOf(deleted));
    EXPECT_EQ(test::ReadTestFile(windows.Join(L"wininit.ini")), expected);
    EXPECT_NE(ShortPathOf(deleted), deleted) << "the names are short ones";
}

}  // namespace
}  // namespace vantrel
