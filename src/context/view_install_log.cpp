#include "context/view_install_log.h"

#include <windows.h>
#include <shellapi.h>

#include "context/installer_variables.h"
#include "format/path_join.h"
#include "support/shell_folders.h"
#include "support/unique_handle.h"

namespace vantrel {

ShellOpenServices SystemShellOpenServices() {
    ShellOpenServices services;
    services.shellExecute = [](const wchar_t* verb, const std::wstring& file, const std::wstring& folder) {
        const HINSTANCE result = ShellExecuteW(nullptr, verb, file.c_str(), nullptr,
                                               folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
        return static_cast<long long>(reinterpret_cast<INT_PTR>(result));
    };
    services.startProcess = [](const std::wstring& commandLine) {
        std::wstring writable = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            return false;
        }
        const UniqueHandle thread(process.hThread);
        const UniqueHandle owned(process.hProcess);
        return true;
    };
    return services;
}

std::wstring NotepadCommand(const std::wstring& logPath) {
    return L"\"" + PathJoin(SystemFolder(), L"notepad.exe") + L"\" \"" + logPath + L"\"";
}

bool ViewInstallLog(const std::wstring& logPath, const ShellOpenServices& services) {
    const std::wstring folder = InstallerDir();
    long long result = services.shellExecute(nullptr, logPath, folder);
    if (result == SE_ERR_ACCESSDENIED)
        result = services.shellExecute(L"runas", logPath, folder);
    if (result > 32)
        return true;
    // Notepad by its full path: a setup program usually runs from a downloads folder, where a
    // planted notepad.exe would otherwise be found first.
    return services.startProcess(NotepadCommand(logPath));
}

}  // namespace vantrel
