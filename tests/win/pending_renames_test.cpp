// Cleaning the system's list of restart operations.
#include "uninstall/pending_renames.h"

#include <gtest/gtest.h>

#include "context/install_log.h"
#include "support/restart_operations.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

TEST(PendingRenameList, OddListIsPaddedAndCleanedWithoutLosingItsLastEntry) {
    const std::vector<std::wstring> list = {
        L"\\??\\C:\\App\\QVT1.tmp",
        L"!\\??\\C:\\App\\Core.DLL",  // a move onto a file we deleted
        L"\\??\\C:\\Other\\QVT2.tmp",
        L"!\\??\\C:\\Other\\x.dll",  // someone else's move
        L"\\??\\C:\\App\\old.txt",
        L"",  // a deletion of a file we deleted
        L"",
        L"",                            // an empty deletion
        L"\\??\\C:\\Other\\last.txt"};  // odd: a deletion whose target is missing
    const std::set<std::wstring> names = {L"c:\\app\\core.dll", L"c:\\app\\old.txt"};
    const PendingRenameCleanup cleanup = CleanPendingRenameList(list, names);
    EXPECT_TRUE(cleanup.changed);
    EXPECT_EQ(cleanup.kept,
              (std::vector<std::wstring>{L"\\??\\C:\\Other\\QVT2.tmp", L"!\\??\\C:\\Other\\x.dll",
                                         L"\\??\\C:\\Other\\last.txt", L""}));
    EXPECT_EQ(cleanup.waitingSources, std::vector<std::wstring>{L"C:\\App\\QVT1.tmp"});
    EXPECT_EQ(cleanup.logLines,
              (std::vector<std::wstring>{
                  L"File \"c:\\app\\core.dll\" was removed from the list of pending moves.\r\n",
                  L"File \"c:\\app\\old.txt\" was removed from the list of pending deletions.\r\n"}));
}

TEST(PendingRenameList, NothingToDropChangesNothing) {
    const PendingRenameCleanup cleanup = CleanPendingRenameList({L"\\??\\C:\\a", L""}, {L"c:\\b"});
    EXPECT_FALSE(cleanup.changed);
    EXPECT_EQ(cleanup.kept, (std::vector<std::wstring>{L"\\??\\C:\\a", L""}));
}

struct TestKey {
    TestKey() {
        RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        RegCloseKey(key);
    }
    ~TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
    std::wstring path = L"Software\\Vantrel Tests\\PendingRenames" + std::to_wstring(GetCurrentProcessId());
};

TEST(PendingRenames, ValueIsRewrittenAndTheInstallationLogsIt) {
    TestKey key;
    const PendingRenameLocation location{HKEY_CURRENT_USER, key.path.c_str(), L"PendingFileRenameOperations"};
    // The raw value as the system stores it: the odd count comes from the terminator.
    const std::vector<std::wstring> stored = {L"\\??\\C:\\Missing\\keep.txt", L"",
                                              L"\\??\\C:\\Missing\\gone.txt"};
    ASSERT_TRUE(WriteMultiStringValue(location.root, location.keyPath, location.valueName, stored));
    InstallLog log;
    log.Begin();
    EXPECT_TRUE(CleanPendingRenames({L"C:\\MISSING\\Gone.txt"}, &log, location));
    std::vector<std::wstring> after;
    ASSERT_TRUE(ReadMultiStringValue(location.root, location.keyPath, location.valueName, after));
    EXPECT_EQ(after, (std::vector<std::wstring>{L"\\??\\C:\\Missing\\keep.txt"}));
    EXPECT_EQ(test::ReadTestFile(log.BodyPath()),
              "\r\nFile \"c:\\missing\\gone.txt\" was removed from the list of pending deletions.\r\n");
    log.CloseAndDelete();
}

TEST(PendingRenames, AMissingValueIsNothingToDo) {
    TestKey key;
    const PendingRenameLocation location{HKEY_CURRENT_USER, key.path.c_str(), L"PendingFileRenameOperations"};
    InstallLog log;
    log.Begin();
    EXPECT_TRUE(CleanPendingRenames({L"C:\\a.txt"}, &log, location));
    EXPECT_EQ(test::ReadTestFile(log.BodyPath()), "");
    log.CloseAndDelete();
}

}  // namespace
}  // namespace vantrel
