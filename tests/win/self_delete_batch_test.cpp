// The batch with which a finished uninstaller deletes itself.
#include "uninstall/self_delete_batch.h"

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

using test::PathExists;

TEST(SelfDeletionBatch, TextTriesBoundedAndRemovesTheFoldersUpToTheInstallation) {
    const std::wstring text =
        SelfDeletionBatchText(L"C:\\App 100%\\Uninstall\\Data\\setup.exe", L"C:\\App 100%",
                              L"Uninstall\\Data\\", L"C:\\Temp\\delunins.bat", L"C:\\Windows\\system32");
    EXPECT_EQ(text,
              L"set /a tries=0\r\n:Repeat\r\n"
              L"del \"C:\\App 100%%\\Uninstall\\Data\\setup.exe\"\r\n"
              L"if not exist \"C:\\App 100%%\\Uninstall\\Data\\setup.exe\" goto Removed\r\n"
              L"set /a tries+=1\r\nif %tries% geq 180 goto Removed\r\n"
              L"\"C:\\Windows\\system32\\ping.exe\" -n 2 127.0.0.1 >nul\r\ngoto Repeat\r\n:Removed\r\n"
              L"\"C:\\Windows\\system32\\ping.exe\" -n 4 127.0.0.1 >nul\r\n"
              L"rd \"C:\\App 100%%\\Uninstall\\Data\"\r\n"
              L"rd \"C:\\App 100%%\\Uninstall\"\r\n"
              L"rd \"C:\\App 100%%\"\r\n"
              L"del \"C:\\Temp\\delunins.bat\"\r\n");
}

TEST(SelfDeletionBatch, NoSubfolderRemovesOnlyTheInstallationFolder) {
    const std::wstring text = SelfDeletionBatchText(L"C:\\App\\setup.exe", L"C:\\App", L"",
                                                    L"C:\\T\\delunins.bat", L"C:\\W\\system32");
    EXPECT_NE(text.find(L"\r\nrd \"C:\\App\"\r\ndel \"C:\\T\\delunins.bat\"\r\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"rd \"C:\\App\\"), std::wstring::npos);
}

// The uninstaller (the helper program in its place) starts the batch and ends; the batch
// removes it and the emptied folders and keeps the folder that holds a user's file.
TEST(SelfDeletionBatch, RemovesTheEndedUninstallerAndOnlyEmptyFolders) {
    test::TempFolder folder(L"self-delete");
    const std::wstring install = folder.Join(L"App");
    const std::wstring uninstallDir = install + L"\\Uninstall\\Data";
    for (const std::wstring& made : {install, install + L"\\Uninstall", uninstallDir, install + L"\\Saves"})
        ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
    ASSERT_TRUE(test::WriteTestFile(install + L"\\Saves\\game.sav", "mine"));
    const std::wstring uninstaller = uninstallDir + L"\\setup.exe";
    ASSERT_TRUE(
        CopyFileW(test::HostPathToWindows(VANTREL_FILE_OPS_HELPER_EXE).c_str(), uninstaller.c_str(), FALSE));

    test::ChildProcess child = test::ChildProcess::Start(
        uninstaller, L"selfdelete \"" + install + L"\" Uninstall\\Data \"" + folder.Path() + L"\"");
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Wait(20000), std::optional<DWORD>(0u));

    const std::wstring batch = folder.Join(L"delunins.bat");
    // The batch pauses between its tries and Wine starts its programs slowly on a loaded
    // machine: its end gets two minutes, as in the process tests.
    for (int i = 0; i < 1200 && (PathExists(uninstaller) || PathExists(batch)); ++i)
        Sleep(100);
    EXPECT_FALSE(PathExists(uninstaller));
    EXPECT_FALSE(PathExists(uninstallDir));
    EXPECT_FALSE(PathExists(install + L"\\Uninstall"));
    EXPECT_EQ(test::ReadTestFile(install + L"\\Saves\\game.sav"), "mine");
    EXPECT_TRUE(PathExists(install)) << "a folder with a user's file stays";
    EXPECT_FALSE(PathExists(batch)) << "the batch deletes itself";
}

}  // namespace
}  // namespace vantrel
