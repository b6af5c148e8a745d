// A file in use at installation time: the existing copy of a versioned file (kind 9) is held
// open without sharing while setup.exe runs, so the new copy cannot be written. It must end
// registered for replacement at the next restart (a temporary file beside it, a restart-time
// move onto it) with the restart-needed bit set, which the run shows by asking to restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "format/file_time.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/ui_driver.h"
#include "win/pending_list.h"

namespace vantrel {
namespace {

constexpr DWORD kTimeoutMs = 120000;

const Bytes& EngineBytes() {
    static const Bytes bytes = test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE));
    return bytes;
}

// Ticks of a FILETIME for a calendar date (UTC).
std::uint64_t Ticks(WORD year, WORD month, WORD day) {
    SYSTEMTIME date{};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    FILETIME time{};
    SystemTimeToFileTime(&date, &time);
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

void SetWriteTime(const std::wstring& path, std::uint64_t ticks) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// The window of the process that says `text`, while the process runs; null when it ends or
// after the timeout. Other windows (a progress display) are passed over.
HWND WaitForMessage(test::ChildProcess& child, const std::wstring& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        for (HWND window : test::TopLevelWindows(child.Id()))
            if (test::AllStaticText(window) == text)
                return window;
    } while (!child.Wait(50) && GetTickCount64() < deadline);
    return nullptr;
}

// The temporary file that waits for the restart (the only "QVT" name in the folder).
std::wstring TemporaryCopy(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\QVT*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    FindClose(search);
    return folder + L"\\" + found.cFileName;
}

TEST(LockedFileProcess, AVersionedFileInUseIsReplacedAtRestartAndTheRunAsksToRestart) {
    const std::wstring product = L"Vantrel Locked Versioned";
    const std::wstring entryKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());
    test::TempFolder root(L"locked-versioned");
    const std::wstring installDir = root.Join(L"app");
    const std::wstring target = installDir + L"\\engine.dll";
    ASSERT_TRUE(CreateDirectoryW(installDir.c_str(), nullptr));
    ASSERT_TRUE(test::WriteTestFile(target, "old copy"));
    // Older than the record and without a version resource: the dates decide, and the new
    // copy is the newer one.
    SetWriteTime(target, Ticks(2001, 1, 1));

    Settings settings = test::FixtureSettings(product);
    settings.productVersion = L"2.0";
    settings.defaultInstallFolder = installDir;
    settings.uninstallSubfolder = L"uninstall";
    settings.uninstallKeyName = product;
    settings.productFlagsLow |=
        product_flags::kRegisterForUninstall | product_flags::kCreateLog | product_flags::kCompressedBlocks;
    // Automatic runs restart without asking; asking lets the test see the bit and say no.
    settings.productFlagsHigh |= product_flags::kRebootQuestionWhenAutomatic;
    std::vector<std::wstring> texts(120);
    texts[20] = L"Restart";
    texts[37] = L"Restart Windows now to finish the installation?";
    settings.messages = MessageTable({L"English"}, texts);

    PayloadFileInput file;
    file.record.name = "engine.dll";
    file.record.kind = static_cast<std::uint32_t>(DestinationKind::kVersioned);
    file.record.nameText = "2.0";
    file.record.fileTime = EncodeFileTime({Ticks(2024, 5, 1), Ticks(2024, 5, 1), Ticks(2024, 5, 1)});
    file.size = 9;
    file.readData = [] { return Bytes{'n', 'e', 'w', ' ', 'c', 'o', 'p', 'y', '!'}; };
    const std::wstring setupPath = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), settings, {file}).Save(setupPath));

    test::PendingListCleanup forget{{target}};  // the test prefix restarts nothing
    bool asked = false;
    std::optional<DWORD> exitCode;
    {
        const test::LockedFile inUse(target);
        ASSERT_TRUE(inUse.Valid());
        test::ChildProcess child = test::ChildProcess::Start(setupPath, L"/a");
        ASSERT_TRUE(child.Started());
        if (HWND box = WaitForMessage(child, texts[37], kTimeoutMs)) {
            asked = true;
            test::PressButton(box, L"No");
        }
        exitCode = child.Wait(kTimeoutMs);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());

    EXPECT_EQ(exitCode, std::optional<DWORD>(1u));
    EXPECT_TRUE(asked) << "no restart question";
    // The copy in use stays; the new one waits in a temporary file for the restart.
    EXPECT_EQ(test::ReadTestFile(target), "old copy");
    EXPECT_EQ(test::CountFilesStartingWith(installDir, L"QVT"), 1);
    EXPECT_EQ(test::ReadTestFile(TemporaryCopy(installDir)), "new copy!");
    EXPECT_TRUE(test::PendingListHolds(target));
    const std::string log = test::ReadTestFile(installDir + L"\\uninstall\\Install.log");
    const std::string path = Utf16ToUtf8(target);
    EXPECT_NE(log.find(path + " needs replacement because its date ("), std::string::npos) << log;
    EXPECT_NE(
        log.find("\"" + path + "\" was successfully registered for replacement.\r\nTemporary file is \""),
        std::string::npos)
        << log;
    // Recorded for the uninstaller like any kind-9 file.
    EXPECT_NE(test::ReadTestFile(installDir + L"\\uninstall\\Uninstall.DAT").find(path), std::string::npos);
}

}  // namespace
}  // namespace vantrel
