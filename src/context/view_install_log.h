#pragma once

#include <functional>
#include <string>

namespace vantrel {

// The two system services ViewInstallLog uses; replaced in tests.
struct ShellOpenServices {
    // ShellExecuteW: verb (null for the default), file, working folder; returns its result
    // code (greater than 32 on success).
    std::function<long long(const wchar_t* verb, const std::wstring& file, const std::wstring& folder)>
        shellExecute;
    // Starts a command line without waiting; true when the process started.
    std::function<bool(const std::wstring& commandLine)> startProcess;
};

ShellOpenServices SystemShellOpenServices();

// The command that opens the log in Notepad, started from the system folder by full path.
std::wstring NotepadCommand(const std::wstring& logPath);

// Opens the log for the user: the shell's default verb with the installer's folder as
// working folder; on access denied once more with "runas"; failing that, Notepad.
bool ViewInstallLog(const std::wstring& logPath,
                    const ShellOpenServices& services = SystemShellOpenServices());

}  // namespace vantrel
