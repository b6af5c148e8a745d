#include "support/system_program.h"

#include "support/folder_tree.h"
#include "support/os_info.h"
#include "support/unique_handle.h"
#include "support/window_messages.h"

namespace vantrel {
namespace {

std::wstring SystemDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length)
                                           : std::wstring(L"C:\\Windows\\System32");
}

}  // namespace

std::wstring SystemFolderForBitness(bool sixtyFourBit) {
    if (sixtyFourBit && IsWindows64Bit()) {
        wchar_t windows[MAX_PATH] = {};
        const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            std::wstring sysnative(windows, length);
            if (sysnative.back() != L'\\')
                sysnative += L'\\';
            sysnative += L"Sysnative";
            // The alias exists only while redirection is on; with it off, the system
            // folder is already the 64-bit one.
            if (FolderExists(sysnative))
                return sysnative;
        }
    }
    return SystemDirectory();
}

std::wstring SystemProgramPath(const wchar_t* fileName, bool sixtyFourBit) {
    return SystemFolderForBitness(sixtyFourBit) + L"\\" + fileName;
}

std::optional<DWORD> RunHiddenAndWait(const std::wstring& program, const std::wstring& commandLine,
                                      const std::wstring& workingFolder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    std::wstring writable = commandLine;
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process))
        return std::nullopt;
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 75, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            break;
        DispatchPendingMessages();
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        return std::nullopt;
    return exitCode;
}

}  // namespace vantrel
