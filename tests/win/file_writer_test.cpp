// Writing files with retries, whole and streamed, and their replacement at restart.
#include "uninstall/file_writer.h"

#include <gtest/gtest.h>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "win/pending_list.h"

namespace vantrel {
namespace {

using test::PathExists;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct WriterFixture {
    WriterFixture() {
        std::vector<std::wstring> texts(200);
        texts[31] = L"Error writing file";
        messages = MessageTable({L"English"}, texts);
        log.Begin();
    }
    ~WriterFixture() { log.CloseAndDelete(); }
    std::string LogText() { return test::ReadTestFile(log.BodyPath()); }

    InstallLog log;
    FailureList failures;
    MessageTable messages;
    std::uint32_t flags = 0;
    FileWriteContext context{log, failures, messages, flags};
};

// A child process that holds files open without sharing until it is ended.
test::ChildProcess HoldInChild(const std::wstring& path) {
    test::ChildProcess child = test::ChildProcess::Start(test::HostPathToWindows(VANTREL_FILE_OPS_HELPER_EXE),
                                                         L"hold \"" + path + L"\"");
    for (int i = 0; i < 200; ++i) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            break;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        Sleep(25);
    }
    return child;
}

// "locked.dll" in a folder of its own, holding "old", held open by another process.
struct LockedTarget {
    explicit LockedTarget(const std::wstring& name)
        : folder(name), path(folder.Join(L"locked.dll")), holder(Start(path)) {}
    static test::ChildProcess Start(const std::wstring& file) {
        test::WriteTestFile(file, "old");
        return HoldInChild(file);
    }
    test::TempFolder folder;
    std::wstring path;
    test::ChildProcess holder;
};

TEST(WriteWithRetries, MakesFoldersAndSetsTimesAndMaskedAttributes) {
    test::TempFolder folder(L"write-plain");
    WriterFixture fixture;
    fixture.flags = product_flags::kVerifyWrites;
    const std::wstring path = folder.Join(L"new\\deeper\\caf\u00E9.txt");
    FileWriteRequest request;
    request.times = FileTimes{0x01D0000000000000ull, 0x01C0000000000000ull, 0x01D1000000000000ull};
    request.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
    bool registered = true;
    ASSERT_TRUE(
        WriteFileWithRetries(fixture.context, EncodeText(path), Bytes("payload"), request, registered));
    EXPECT_FALSE(registered);
    EXPECT_EQ(test::ReadTestFile(path), "payload");
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime,
              0x01D0000000000000ull);
    // (Wine keeps no creation time on a Linux file system, so that one is not checked.)
    EXPECT_TRUE(fixture.failures.Empty());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Windows refuses to overwrite a read-only file; Wine lets the owner do it, so only the
// outcome with the clearing option is checked here.
TEST(WriteWithRetries, AReadOnlyTargetIsOverwrittenWithTheClearingOption) {
    test::TempFolder folder(L"write-readonly");
    const std::wstring path = folder.Join(L"readonly.txt");
    ASSERT_TRUE(test::WriteTestFile(path, "old"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    WriterFixture fixture;
    fixture.flags = product_flags::kClearAttributesOnRetry;
    bool registered = false;
    EXPECT_TRUE(WriteFileWithRetries(fixture.context, path, Bytes("new"), {}, registered));
    EXPECT_EQ(test::ReadTestFile(path), "new");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WriteWithRetries, AMissingDriveIsReportedAndNothingIsRegistered) {
    WriterFixture fixture;
    fixture.flags = product_flags::kDeferAnyLockedFile;
    bool registered = true;
    EXPECT_FALSE(
        WriteFileWithRetries(fixture.context, std::wstring(L"Q:\\App\\a.txt"), Bytes("x"), {}, registered));
    EXPECT_FALSE(registered);
    EXPECT_EQ(fixture.failures.Text(),
              L"\r\nError writing file Q:\\App\\a.txt\r\nDrive Q: is not present.\r\n");
}

TEST(WriteWithRetries, ALockedFileIsReplacedAtRestartThroughATemporaryFile) {
    LockedTarget locked(L"write-locked");
    ASSERT_TRUE(locked.holder.Started());
    const std::wstring& path = locked.path;
    const test::TempFolder& folder = locked.folder;
    WriterFixture fixture;
    std::vector<std::wstring> registeredTargets{path};
    bool registered = false;
    FileWriteRequest request;
    request.mayReplaceAtRestart = true;
    const bool written = WriteFileWithRetries(fixture.context, path, Bytes("new"), request, registered);
    test::ForgetPendingOperations(registeredTargets);  // the test prefix restarts nothing
    EXPECT_FALSE(written);
    EXPECT_TRUE(registered);
    EXPECT_TRUE(fixture.failures.Empty()) << fixture.failures.Text();
    EXPECT_NE(fixture.flags & product_flags::kRebootNeeded, 0u);
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 1);
    const std::string log = fixture.LogText();
    EXPECT_NE(log.find("\"" + Utf16ToUtf8(path) +
                       "\" was successfully registered for replacement.\r\nTemporary file is \""),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Reboot will be required.\r\n\r\n"), std::string::npos);
}

TEST(WriteWithRetries, ALockedFileWithoutReplacementIsAFailure) {
    LockedTarget locked(L"write-locked-fail");
    ASSERT_TRUE(locked.holder.Started());
    const std::wstring& path = locked.path;
    const test::TempFolder& folder = locked.folder;
    WriterFixture fixture;
    bool registered = true;
    EXPECT_FALSE(WriteFileWithRetries(fixture.context, path, Bytes("new"), {}, registered));
    EXPECT_FALSE(registered);
    EXPECT_EQ(fixture.failures.Text().rfind(L"\r\nError writing file " + path + L"\r\n", 0), 0u);
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0);
    EXPECT_EQ(fixture.flags & product_flags::kRebootNeeded, 0u);
}

TEST(StreamingWrite, PiecesArriveAndTheReadBackMatches) {
    test::TempFolder folder(L"stream-plain");
    WriterFixture fixture;
    fixture.flags = product_flags::kVerifyWrites;
    const std::wstring path = folder.Join(L"sub\\big.bin");
    StreamingFileWrite write(fixture.context, path, {});
    ASSERT_EQ(write.Begin(), StreamingFileWrite::Destination::kTarget);
    std::string expected;
    for (int i = 0; i < 50; ++i) {
        const std::string piece(static_cast<std::size_t>(1000 + i), static_cast<char>('a' + i % 26));
        expected += piece;
        ASSERT_TRUE(write.Write(piece.data(), piece.size()));
    }
    ASSERT_TRUE(write.Finish());
    EXPECT_EQ(test::ReadTestFile(path), expected);
    EXPECT_TRUE(fixture.failures.Empty());
}

// Without the read-back the times and attributes are set through the writing handle, with it
// after the comparison: the file ends the same either way.
class StreamingWriteTimes : public testing::TestWithParam<bool> {};

TEST_P(StreamingWriteTimes, TheFileGetsItsTimesAndMaskedAttributes) {
    test::TempFolder folder(GetParam() ? L"stream-times-verified" : L"stream-times");
    WriterFixture fixture;
    fixture.flags = GetParam() ? product_flags::kVerifyWrites : 0;
    const std::wstring path = folder.Join(L"timed.bin");
    FileWriteRequest request;
    request.times = FileTimes{0x01D0000000000000ull, 0x01C0000000000000ull, 0x01D1000000000000ull};
    request.attributes =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    StreamingFileWrite write(fixture.context, path, request);
    ASSERT_EQ(write.Begin(), StreamingFileWrite::Destination::kTarget);
    ASSERT_TRUE(write.Write("timed", 5));
    ASSERT_TRUE(write.Finish());
    EXPECT_EQ(test::ReadTestFile(path), "timed");
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime,
              0x01D0000000000000ull);
    EXPECT_TRUE(fixture.failures.Empty());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(ReadBack, StreamingWriteTimes, testing::Bool(), test::CaseName);

TEST(StreamingWrite, AnAbandonedWriteLeavesNothingUnderTheTargetName) {
    test::TempFolder folder(L"stream-abandon");
    WriterFixture fixture;
    const std::wstring path = folder.Join(L"half.bin");
    ASSERT_TRUE(test::WriteTestFile(path, "the old version"));
    {
        StreamingFileWrite write(fixture.context, path, {});
        ASSERT_EQ(write.Begin(), StreamingFileWrite::Destination::kTarget);
        ASSERT_TRUE(write.Write("half", 4));
    }  // dropped before Finish: a decoding error, say
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0);
}

TEST(StreamingWrite, ALockedTargetTakesTheDataIntoATemporaryFileRegisteredForRestart) {
    LockedTarget locked(L"stream-locked");
    ASSERT_TRUE(locked.holder.Started());
    const std::wstring& path = locked.path;
    WriterFixture fixture;
    FileWriteRequest request;
    request.mayReplaceAtRestart = true;
    StreamingFileWrite write(fixture.context, path, request);
    ASSERT_EQ(write.Begin(), StreamingFileWrite::Destination::kTemporary);
    EXPECT_TRUE(write.Write("new ", 4));
    EXPECT_TRUE(write.Write("data", 4));
    const bool finished = write.Finish();
    std::vector<std::wstring> registeredTargets{path};
    test::ForgetPendingOperations(registeredTargets);
    EXPECT_FALSE(finished);
    EXPECT_TRUE(write.RegisteredForReplacement());
    EXPECT_EQ(test::ReadTestFile(write.TemporaryPath()), "new data");
    EXPECT_NE(fixture.LogText().find("was successfully registered for replacement."), std::string::npos);
    EXPECT_TRUE(fixture.failures.Empty());
}

TEST(StreamingWrite, AnAbandonedTemporaryFileGoesToo) {
    LockedTarget locked(L"stream-locked-abandon");
    ASSERT_TRUE(locked.holder.Started());
    const std::wstring& path = locked.path;
    const test::TempFolder& folder = locked.folder;
    WriterFixture fixture;
    fixture.flags = product_flags::kDeferAnyLockedFile;
    {
        StreamingFileWrite write(fixture.context, path, {});
        ASSERT_EQ(write.Begin(), StreamingFileWrite::Destination::kTemporary);
        write.Write("new", 3);
        write.Abandon();
        EXPECT_FALSE(write.Finish());
    }
    EXPECT_EQ(test::CountFilesStartingWith(folder.Path(), L"QVT"), 0);
    EXPECT_EQ(fixture.flags & product_flags::kRebootNeeded, 0u);
}

TEST(StreamingWrite, AnUnwritableTargetReportsBeforeAnyData) {
    WriterFixture fixture;
    StreamingFileWrite write(fixture.context, L"Q:\\App\\a.txt", {});
    EXPECT_EQ(write.Begin(), StreamingFileWrite::Destination::kNone);
    EXPECT_FALSE(write.Write("x", 1));
    EXPECT_FALSE(write.Finish());
    EXPECT_EQ(fixture.failures.Text(),
              L"\r\nError writing file Q:\\App\\a.txt\r\nDrive Q: is not present.\r\n");
}

}  // namespace
}  // namespace vantrel
