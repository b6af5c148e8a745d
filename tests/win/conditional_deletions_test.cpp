// Conditional deletions of both phases.
#include "uninstall/conditional_deletions.h"

#include <gtest/gtest.h>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "support/child_process.h"
#include "support/file_system.h"
#include "support/shell_folders.h"
#include "support/test_files.h"
#include "win/pending_list.h"

namespace vantrel {
namespace {

using test::PathExists;

struct DeletionFixture {
    explicit DeletionFixture(const std::wstring& name) : folder(name) {
        log.Begin();
        context.installDir = folder.Path();
        context.log = &log;
        context.failures = &failures;
        context.corruptPayload = [this](int code) { corruptCodes.push_back(code); };
    }
    ~DeletionFixture() { log.CloseAndDelete(); }
    std::string LogText() { return test::ReadTestFile(log.BodyPath()); }

    test::TempFolder folder;
    InstallLog log;
    FailureList failures;
    std::vector<int> corruptCodes;
    ConditionalDeletionContext context;
};

// A file with a version resource: a copy of a system library.
std::wstring CopyVersionedFile(const std::wstring& folder) {
    const std::wstring path = folder + L"\\versioned.exe";
    CopyFileW((SystemFolder() + L"\\kernel32.dll").c_str(), path.c_str(), FALSE);
    return path;
}

std::string VersionText(std::uint64_t version, int lastDelta) {
    return std::to_string(version >> 48) + "." + std::to_string((version >> 32) & 0xFFFF) + "." +
           std::to_string((version >> 16) & 0xFFFF) + "." +
           std::to_string(static_cast<int>(version & 0xFFFF) + lastDelta);
}

TEST(ConditionalDeletions, SizeConditionsAndWildcards) {
    DeletionFixture fixture(L"cond-size");
    const std::wstring& folder = fixture.folder.Path();
    ASSERT_TRUE(test::WriteTestFile(folder + L"\\a.log", "12345") &&
                test::WriteTestFile(folder + L"\\b.LOG", "") &&
                test::WriteTestFile(folder + L"\\c.txt", "x") &&
                test::WriteTestFile(folder + L"\\big.dat", "123456"));
    SetFileAttributesW((folder + L"\\a.log").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    std::vector<FileDeletion> deletions = {
        {"*.log", 5, "0", 0x4},    // every matching file: sizes are at least 0
        {"big.dat", 6, "5", 0x4},  // 6 bytes are not at most 5: kept
        {"c.txt", 4, "1", 0x8},    // for the uninstallation only
    };
    EXPECT_EQ(RunConditionalDeletions(fixture.context, deletions), 0);
    EXPECT_FALSE(PathExists(folder + L"\\a.log"));
    EXPECT_FALSE(PathExists(folder + L"\\b.LOG"));
    EXPECT_TRUE(PathExists(folder + L"\\big.dat"));
    EXPECT_TRUE(PathExists(folder + L"\\c.txt"));
    const std::string log = fixture.LogText();
    EXPECT_NE(log.find("Deleted file: "), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n") << "an empty line ends the step";
    EXPECT_EQ(deletions.size(), 3u) << "the installation keeps every record";
}

TEST(ConditionalDeletions, StarDotStarTakesNamesWithoutADotToo) {
    DeletionFixture fixture(L"cond-star-dot-star");
    const std::wstring& folder = fixture.folder.Path();
    ASSERT_TRUE(test::WriteTestFile(folder + L"\\README", "x") &&
                test::WriteTestFile(folder + L"\\a.txt", "y"));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub.dir").c_str(), nullptr));
    std::vector<FileDeletion> deletions = {{"*.*", 0, "", 0x4}};
    EXPECT_EQ(RunConditionalDeletions(fixture.context, deletions), 0);
    EXPECT_FALSE(PathExists(folder + L"\\README"));
    EXPECT_FALSE(PathExists(folder + L"\\a.txt"));
    EXPECT_TRUE(PathExists(folder + L"\\sub.dir")) << "folders are not files";
}

TEST(ConditionalDeletions, VersionConditions) {
    DeletionFixture fixture(L"cond-version");
    const std::wstring file = CopyVersionedFile(fixture.folder.Path());
    const auto version = FileVersionOf(file);
    ASSERT_TRUE(version.has_value() && *version != 0) << "the helper needs a version resource";
    struct Row {
        std::uint8_t condition;
        int delta;
        bool deletes;
    };
    for (const Row row : {Row{1, 1, false}, Row{2, 1, false}, Row{3, -1, false}, Row{3, 1, true}}) {
        if (!PathExists(file))
            CopyVersionedFile(fixture.folder.Path());
        std::vector<FileDeletion> deletions = {
            {"versioned.exe", row.condition, VersionText(*version, row.delta), 0x4}};
        RunConditionalDeletions(fixture.context, deletions);
        EXPECT_EQ(!PathExists(file), row.deletes) << int(row.condition) << " " << row.delta;
    }
    CopyVersionedFile(fixture.folder.Path());
    std::vector<FileDeletion> equal = {{"versioned.exe", 1, VersionText(*version, 0), 0x4}};
    RunConditionalDeletions(fixture.context, equal);
    EXPECT_FALSE(PathExists(file));
    EXPECT_TRUE(fixture.corruptCodes.empty());
}

TEST(ConditionalDeletions, AVersionValueThatIsNoVersionIsACorruptPayload) {
    DeletionFixture fixture(L"cond-corrupt");
    CopyVersionedFile(fixture.folder.Path());
    std::vector<FileDeletion> deletions = {{"versioned.exe", 1, "not a version", 0x4}};
    RunConditionalDeletions(fixture.context, deletions);
    EXPECT_EQ(fixture.corruptCodes, std::vector<int>{65});
    EXPECT_TRUE(PathExists(fixture.folder.Join(L"versioned.exe")));
}

TEST(ConditionalDeletions, LockedFilesFailOrGoToTheRestart) {
    DeletionFixture fixture(L"cond-locked");
    const std::wstring plain = fixture.folder.Join(L"plain.txt");
    const std::wstring deferred = fixture.folder.Join(L"deferred.txt");
    const std::wstring atRestart = fixture.folder.Join(L"restart.txt");
    ASSERT_TRUE(test::WriteTestFile(plain, "x") && test::WriteTestFile(deferred, "x") &&
                test::WriteTestFile(atRestart, "x"));
    test::PendingListCleanup cleanup{{deferred, atRestart}};
    test::LockedFile lockPlain(plain);
    test::LockedFile lockDeferred(deferred);
    std::vector<FileDeletion> deletions = {
        {"plain.txt", 0, "", 0x4}, {"deferred.txt", 0, "", 0x4 | 0x2}, {"restart.txt", 0, "", 0x4 | 0x1}};
    EXPECT_EQ(RunConditionalDeletions(fixture.context, deletions), 1);
    EXPECT_TRUE(fixture.context.restartNeeded);
    EXPECT_TRUE(test::PendingListHolds(deferred));
    EXPECT_TRUE(test::PendingListHolds(atRestart));
    EXPECT_TRUE(PathExists(atRestart)) << "bit 0 deletes only at the restart";
    const std::string log = fixture.LogText();
    EXPECT_NE(log.find("Failed to delete file \""), std::string::npos) << log;
    EXPECT_NE(log.find("deferred.txt\" will be deleted after rebooting: "), std::string::npos) << log;
    EXPECT_NE(log.find("restart.txt\" will be deleted after rebooting.\r\n"), std::string::npos) << log;
}

TEST(ConditionalDeletions, UninstallationKeepsOnlyUnfinishedRecordsAndRefusesParents) {
    DeletionFixture fixture(L"cond-uninstall");
    fixture.context.phase = DeletionPhase::kUninstallation;
    const std::wstring done = fixture.folder.Join(L"done.txt");
    const std::wstring locked = fixture.folder.Join(L"locked.txt");
    ASSERT_TRUE(test::WriteTestFile(done, "x") && test::WriteTestFile(locked, "x"));
    const std::wstring outside = fixture.folder.Join(L"..\\outside.txt");
    test::LockedFile lock(locked);
    std::vector<FileDeletion> deletions = {{"done.txt", 0, "", 0x8},
                                           {"locked.txt", 0, "", 0x8},
                                           {"..\\outside.txt", 0, "", 0x8},
                                           {"%Missing%\\none.txt", 0, "", 0x8}};
    fixture.context.expand = [](std::wstring& text) {
        if (text.rfind(L"%Missing%", 0) == 0)
            text.replace(0, 9, L"sub");
    };
    EXPECT_EQ(RunConditionalDeletions(fixture.context, deletions), 2);
    EXPECT_FALSE(PathExists(done));
    ASSERT_EQ(deletions.size(), 2u);
    EXPECT_EQ(deletions[0].pattern, "locked.txt");
    EXPECT_EQ(deletions[1].pattern, "..\\outside.txt");
    EXPECT_EQ(fixture.LogText(), "") << "the uninstallation writes no installation log";
    (void)outside;
}

}  // namespace
}  // namespace vantrel
