// Recording removals and writing/reading Uninstall.DAT on a real file system.
#include "uninstall/uninstall_data.h"

#include <gtest/gtest.h>

#include "context/failure_list.h"
#include "format/message_table.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

MessageTable Messages() {
    std::vector<std::wstring> texts(200);
    texts[31] = L"Could not write:";
    texts[10] = L"Uninstall %ProductName%";
    texts[15] = L"First line\r\nSecond line";
    return MessageTable({L"English"}, texts);
}

TEST(UninstallDataRecording, RootsAreNeverRecordedAndFoldersOnlyOnce) {
    UninstallData data;
    EXPECT_FALSE(data.RecordRemoval(L"C:\\", RemovalKind::kFolder));
    EXPECT_FALSE(data.RecordRemoval(L"D:", RemovalKind::kFile));
    EXPECT_FALSE(data.RecordEncodedRemoval("C:\\", RemovalKind::kFile));
    EXPECT_TRUE(data.RecordRemoval(L"C:\\App", RemovalKind::kFolder));
    EXPECT_FALSE(data.RecordRemoval(L"c:\\aPP", RemovalKind::kFolder));
    EXPECT_TRUE(data.RecordRemoval(L"C:\\Caf\u00E9", RemovalKind::kFolder));
    EXPECT_FALSE(data.RecordRemoval(L"C:\\CAF\u00C9", RemovalKind::kFolder));
    // A file of the same path is another kind of record.
    EXPECT_TRUE(data.RecordRemoval(L"C:\\App", RemovalKind::kFile));
    EXPECT_TRUE(data.RecordRemoval(L"\\HKCU\\Software\\App\\Dir", RemovalKind::kRegistryValue));
    EXPECT_TRUE(data.RecordRemoval(L"\\HKLM\\Software\\Classes\\CLSID\\{1}", RemovalKind::kRegistryKey64));
    EXPECT_EQ(
        data.Content().removalList,
        (std::vector<std::string>{"~C:\\App", "~|C:\\Caf\xC3\xA9", "C:\\App", "!\\HKCU\\Software\\App\\Dir",
                                  "*\\HKLM\\Software\\Classes\\CLSID\\{1}"}));
    data.ResetRemovalList();
    EXPECT_TRUE(data.Content().removalList.empty());
    EXPECT_TRUE(data.RecordRemoval(L"C:\\App", RemovalKind::kFolder));
}

TEST(UninstallDataFile, WritesReadsAndRewritesAfterAPartialUninstallation) {
    test::TempFolder folder(L"uninstall-dat");
    const std::wstring path = folder.Join(L"Uninstall.DAT");
    const MessageTable messages = Messages();
    UninstallData data;
    data.RecordRemoval(folder.Join(L"a.exe"), RemovalKind::kFile);
    data.RecordRemoval(folder.Join(L"b.dll"), RemovalKind::kFile);
    data.RecordRemoval(folder.Path(), RemovalKind::kFolder);
    data.SetStrings(messages, L"Vantrel Test", [](std::wstring& text) {
        if (text == L"Uninstall %ProductName%")
            text = L"Uninstall Vantrel Test";
    });
    data.AddMsiLine(L"C:\\App\\x.msi", 2);
    data.AddFirewallLine("8080;Web;1;\r\n");
    data.Content().deletions = {{"*.log", 0, "", 8}};
    FailureList failures;
    ASSERT_TRUE(data.Write(path, failures, messages));
    EXPECT_TRUE(failures.Empty());
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0) << "no temporary file may stay";

    UninstallData read;
    ASSERT_EQ(read.Read(path), 0u);
    EXPECT_EQ(read.Content().strings.at(10), L"Uninstall Vantrel Test");
    EXPECT_EQ(read.Content().strings.at(15), L"First line\r\nSecond line");
    EXPECT_EQ(read.Content().productTitle, L"Vantrel Test");
    EXPECT_EQ(read.Content().firewallLines, std::vector<std::string>{"8080;Web;1;"});

    // The uninstaller could not delete b.dll and its MSI package stayed: it writes back only that.
    const std::string remaining = read.Content().removalList[1];
    read.KeepOnlyWhatRemains({remaining}, read.Content().msiLines);
    ASSERT_TRUE(read.Write(path, failures, messages));
    const std::string bytes = test::ReadTestFile(path);
    EXPECT_EQ(bytes.rfind(remaining + "\r\n\r\n\r\n[Strings]\r\n~10\r\nUninstall Vantrel Test\r\n", 0), 0u)
        << bytes;
    EXPECT_EQ(bytes.find("[Firewall]"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n\r\n[MSI]\r\n\"C:\\App\\x.msi\",2\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n\r\n[ConditionalDelete]\r\n*.log,0,,8\r\n"), std::string::npos);

    // A second uninstallation reads the same texts.
    UninstallData again;
    ASSERT_EQ(again.Read(path), 0u);
    EXPECT_EQ(again.Content().strings, read.Content().strings);
    EXPECT_EQ(again.Content().productTitle, L"Vantrel Test");
}

TEST(UninstallDataFile, AFailedWriteIsReportedAndLeavesTheOldFileWhole) {
    test::TempFolder folder(L"uninstall-dat-fail");
    const MessageTable messages = Messages();
    UninstallData data;
    data.RecordRemoval(folder.Join(L"a.exe"), RemovalKind::kFile);
    FailureList failures;
    const std::wstring missing = folder.Join(L"missing\\Uninstall.DAT");
    EXPECT_FALSE(data.Write(missing, failures, messages));
    EXPECT_EQ(failures.Text().rfind(L"Could not write: " + missing + L"\r\n", 0), 0u) << failures.Text();

    // A file that cannot be replaced (here: a folder of that name) keeps what it was, and no
    // temporary file is left beside it.
    const std::wstring blocked = folder.Join(L"Blocked.DAT");
    ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
    EXPECT_FALSE(data.Write(blocked, failures, messages));
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0);

    // An old file that is held open while the new one is written stays exactly as it was.
    const std::wstring path = folder.Join(L"Uninstall.DAT");
    ASSERT_TRUE(data.Write(path, failures, messages));
    const std::string before = test::ReadTestFile(path);
    data.RecordRemoval(folder.Join(L"b.exe"), RemovalKind::kFile);
    {
        test::LockedFile lock(path);
        ASSERT_TRUE(lock.Valid());
        EXPECT_FALSE(data.Write(path, failures, messages));
    }
    EXPECT_EQ(test::ReadTestFile(path), before);
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0);
}

TEST(UninstallDataFile, AMissingFileGivesItsErrorCodeAndTheLoadText) {
    test::TempFolder folder(L"uninstall-dat-missing");
    UninstallData data;
    data.RecordRemoval(L"C:\\kept.txt", RemovalKind::kFile);
    const std::wstring path = folder.Join(L"Uninstall.DAT");
    EXPECT_EQ(data.Read(path), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(data.Content().removalList.size(), 1u) << "a failed read changes nothing";
    const std::wstring text = UninstallDataLoadFailureText(L"Vantrel Test", path, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(
        text.rfind(L"The uninstall information for Vantrel Test could not be loaded.\r\n\r\nFilepath: " +
                       path + L"\r\nCode 2: ",
                   0),
        0u)
        << text;
    EXPECT_GT(text.size(), text.find(L"Code 2: ") + 8) << "the system's text follows";
}

TEST(UninstallDataFile, LegacyAnsiLinesReadThroughTheCodePage) {
    test::TempFolder folder(L"uninstall-dat-ansi");
    const std::wstring path = folder.Join(L"Uninstall.DAT");
    // The test prefix's ANSI code page is Windows-1252: byte E9 is "é".
    ASSERT_TRUE(test::WriteTestFile(
        path, "C:\\Caf\xE9\\a.txt\r\n[Associations]\r\n.a~!~A~!~open~!~C:\\Caf\xE9.ico\r\n"));
    UninstallData data;
    ASSERT_EQ(data.Read(path), 0u);
    EXPECT_EQ(DecodeRecordedPath(data.Content().removalList[0]),
              std::optional<std::wstring>(L"C:\\Caf\u00E9\\a.txt"));
    EXPECT_EQ(data.Content().associations.at(0).icon, L"C:\\Caf\u00E9.ico");
}

struct RecordedPathCase {
    const char* name;
    const char* encoded;
    bool accepted;
};

class RecordedPaths : public testing::TestWithParam<RecordedPathCase> {};

TEST_P(RecordedPaths, OnlyDecodableAbsolutePathsWithoutParentsAreUsed) {
    EXPECT_EQ(DecodeRecordedPath(GetParam().encoded).has_value(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Table, RecordedPaths,
                         testing::Values(RecordedPathCase{"Plain", "C:\\App\\a.exe", true},
                                         RecordedPathCase{"Utf8", "|C:\\Caf\xC3\xA9\\a.exe", true},
                                         RecordedPathCase{"Unc", "\\\\server\\share\\a.exe", true},
                                         RecordedPathCase{"BrokenUtf8", "|C:\\Caf\xC3\\a.exe", false},
                                         RecordedPathCase{"Relative", "App\\a.exe", false},
                                         RecordedPathCase{"DriveRelative", "C:App\\a.exe", false},
                                         RecordedPathCase{"Empty", "", false},
                                         RecordedPathCase{"Parent", "C:\\App\\..\\Windows\\a.exe", false},
                                         RecordedPathCase{"ParentAtEnd", "C:\\App\\..", false}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace vantrel
