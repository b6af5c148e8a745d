// A helper program for the tests of file writing, deletion and restart operations:
//   hold <file>...                  opens each file without sharing and waits to be ended
//   selfdelete <installDir> <subdir> <batchFolder>
//                                   starts the self-deletion batch for its own file and ends
//   restart-setup <folder>          leaves three locked files to the next restart (below)
// It is started as a process, so locks belong to another process and the uninstaller it
// plays has really ended when its batch runs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/settings.h"
#include "support/system_info.h"
#include "support/test_files.h"
#include "uninstall/conditional_deletions.h"
#include "uninstall/file_removal.h"
#include "uninstall/file_writer.h"
#include "uninstall/self_delete_batch.h"

namespace {

using namespace vantrel;

int Hold(int count, wchar_t** paths) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < count; ++i) {
        // The test polls the file to see it locked; its probe may hold it for a moment.
        HANDLE file = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 400 && file == INVALID_HANDLE_VALUE; ++attempt) {
            file = CreateFileW(paths[i], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Sleep(10);
        }
        if (file == INVALID_HANDLE_VALUE)
            return 3;
        handles.push_back(file);
    }
    Sleep(60000);
    return 0;
}

// True once another process holds the file without sharing.
bool WaitUntilLocked(const std::wstring& path) {
    for (int i = 0; i < 200; ++i) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            return true;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        Sleep(25);
    }
    return false;
}

int failures = 0;
void Expect(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

// The three locked files: a write registered for replacement, a deletion registered on
// failure (0x010), and a conditional deletion with bit 1. The script then restarts Wine
// and checks what the restart did.
int RestartSetup(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring target = folder + L"\\target.txt";
    const std::wstring deleted = folder + L"\\deleted.txt";
    const std::wstring conditional = folder + L"\\conditional.txt";
    Expect(test::WriteTestFile(target, "old content") && test::WriteTestFile(deleted, "x") &&
               test::WriteTestFile(conditional, "y"),
           "files made");

    std::wstring commandLine = L"\"" + ModuleFilePath() + L"\" hold \"" + target + L"\" \"" + deleted +
                               L"\" \"" + conditional + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &holder))
        return 4;
    Expect(WaitUntilLocked(target) && WaitUntilLocked(conditional), "files locked by the child");

    InstallLog log;
    log.Begin();
    FailureList failureList;
    MessageTable messages({L"English"}, std::vector<std::wstring>(40, L""));
    std::uint32_t flags = 0;
    FileWriteContext context{log, failureList, messages, flags};
    FileWriteRequest request;
    request.mayReplaceAtRestart = true;
    bool registered = false;
    const std::string data = "new content";
    const bool written = WriteFileWithRetries(
        context, target, std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), request,
        registered);
    Expect(!written && registered, "write registered for replacement");
    Expect((flags & product_flags::kRebootNeeded) != 0, "restart marked as needed");
    Expect(failureList.Empty(), "no failure reported");
    Expect(test::ReadTestFile(log.BodyPath()).find("was successfully registered for replacement.") !=
               std::string::npos,
           "success text logged");

    Expect(DeleteFileWithFlags(deleted, delete_flags::kAtRestartIfLocked), "deletion registered");

    ConditionalDeletionContext deletion;
    deletion.phase = DeletionPhase::kInstallation;
    deletion.installDir = folder;
    deletion.log = &log;
    deletion.failures = &failureList;
    std::vector<FileDeletion> records = {{"conditional.txt", 0, "", 0x2 | 0x4}};
    Expect(RunConditionalDeletions(deletion, records) == 0 && deletion.restartNeeded,
           "conditional deletion registered");

    TerminateProcess(holder.hProcess, 0);
    WaitForSingleObject(holder.hProcess, 5000);
    CloseHandle(holder.hProcess);
    CloseHandle(holder.hThread);
    log.CloseAndDelete();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring mode = argv[1];
    if (mode == L"hold")
        return Hold(argc - 2, argv + 2);
    if (mode == L"selfdelete" && argc == 5)
        return StartSelfDeletionBatch(ModuleFilePath(), argv[2], argv[3], argv[4]) ? 0 : 1;
    if (mode == L"restart-setup" && argc == 3)
        return RestartSetup(argv[2]);
    return 2;
}
