#include "context/batch_runner.h"

#include <windows.h>
#include <shlobj.h>

#include <array>

#include "context/install_log.h"
#include "context/install_session.h"
#include "context/installer_variables.h"
#include "format/batch_text.h"
#include "format/os_version.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/environment.h"
#include "support/file_system.h"
#include "support/folder_tree.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/temp_file_name.h"
#include "support/unique_handle.h"
#include "support/window_messages.h"

namespace vantrel {
namespace {

// The variables the batch sees, in the order of their SET lines. Quoted lines carry the
// whole assignment in double quotes (paths and names with blanks); the others are numbers,
// drive letters and version texts.
struct SetLine {
    const wchar_t* name;
    bool quoted;
};
constexpr std::array<SetLine, 52> kSetLines = {{
    {L"Automatic", false},
    {L"InstallDir", true},
    {L"Bits", true},
    {L"UninstallDir", true},
    {L"SharedDir", true},
    {L"InstallerFilepath", true},
    {L"InstallerDir", true},
    {L"InstallerFilename", true},
    {L"InstallerDrive", true},
    {L"SystemDir", true},
    {L"DeviceDir", true},
    {L"MediaDir", true},
    {L"FavoritesDir", true},
    {L"FavoritesAllDir", true},
    {L"FontDir", true},
    {L"DesktopDir", true},
    {L"DesktopAllDir", true},
    {L"DesktopShortcuts", true},
    {L"DocumentDir", true},
    {L"DocumentAllDir", true},
    {L"ProductName", true},
    {L"CompanyName", true},
    {L"ProgramsDir", true},
    {L"ProgramsDir32", true},
    {L"ProgramsDir64", true},
    {L"StartMenuAllDir", true},
    {L"StartMenuChosen", true},
    {L"StartMenuDir", true},
    {L"SMProgramsDir", true},
    {L"SMProgramsAllDir", true},
    {L"StartupDir", true},
    {L"StartupAllDir", true},
    {L"CommonDir", true},
    {L"CommonDir32", true},
    {L"CommonDir64", true},
    {L"Inetpub", true},
    {L"AppDataDir", true},
    {L"AppDataAllDir", true},
    {L"InstallDrive", false},
    {L"BootDrive", false},
    {L"Version", false},
    {L"OldVersion", false},
    {L"Portable", false},
    {L"Existing", false},
    {L"OldVersionMajor", false},
    {L"OldVersionMinor", false},
    {L"OS", false},
    {L"OSMajor", false},
    {L"OSMinor", false},
    {L"OSName", false},
    {L"OSDescription", false},
    {L"OSServer", false},
}};

// The value of one installer variable through the resolver the text expansion uses.
std::wstring VariableValue(const InstallSession& session, const wchar_t* name) {
    const std::wstring token = std::wstring(L"%") + name + L"%";
    for (const InstallerVariable& variable : InstallerVariables())
        if (token == variable.token)
            return variable.value(session);
    return {};
}

bool IsLineBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsLineBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsLineBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsBlank(std::string_view commands) {
    for (const char c : commands)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

// Drops the lines that only pause; every other line stays exactly as it was.
std::wstring WithoutPauseLines(std::wstring_view commands) {
    std::wstring result;
    std::size_t start = 0;
    while (start < commands.size()) {
        std::size_t end = commands.find(L'\n', start);
        end = end == std::wstring_view::npos ? commands.size() : end + 1;
        const std::wstring_view line = commands.substr(start, end - start);
        if (!IsPauseLine(line))
            result.append(line);
        start = end;
    }
    return result;
}

// The interpreter named by %comspec%, else cmd.exe of the 32-bit system folder (the Windows
// folder's command.com on the old 9x family).
std::wstring CommandInterpreter() {
    std::wstring comspec = L"%comspec%";
    if (ExpandEnvironmentText(comspec) && !Trim(comspec).empty() && comspec != L"%comspec%")
        return comspec;
    if (CurrentOs().platformId == os_platform::kWindows)
        return PathJoin(WindowsFolder(), L"command.com");
    std::wstring system = SpecialFolderPath(CSIDL_SYSTEMX86);
    if (system.empty())
        system = SystemFolder();
    return PathJoin(system, L"cmd.exe");
}

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ShortOrSame(const std::wstring& path) {
    std::wstring shortPath = ShortPathOf(path);
    return shortPath.empty() ? path : shortPath;
}

// Waits for the process, dispatching this thread's window messages every 75 ms so that
// the installer's windows keep painting while a long script runs.
void WaitPumpingMessages(HANDLE process) {
    while (WaitForSingleObject(process, 75) == WAIT_TIMEOUT) {
        MSG message;
        for (int i = 0; i < 100 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i)
            DispatchWindowMessage(message);
    }
}

void ReportFailure(const InstallSession& session, InstallLog& log, const std::wstring& text) {
    if (!session.automatic)
        session.ui.ShowMessageBox(text, L"Error", mb::kOk | mb::kIconError | mb::kSetForeground);
    log.WriteLogPieces({std::wstring_view(text), std::wstring_view(L"\r\n")});
}

// The captured output goes to the log as the console wrote it, trailing blanks trimmed.
void CopyCapturedOutput(const std::wstring& capturePath, InstallLog& log) {
    UniqueHandle file(CreateFileW(capturePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    while (!output.empty() &&
           (output.back() == ' ' || output.back() == '\t' || output.back() == '\r' || output.back() == '\n'))
        output.pop_back();
    if (output.empty())
        return;
    output += "\r\n\r\n";
    log.WriteLogRaw(output.data(), output.size());
}

}  // namespace

bool IsPauseLine(std::wstring_view line) {
    line = Trim(line);
    if (!line.empty() && line.front() == L'@')
        line = Trim(line.substr(1));
    if (line.size() != 5)
        return false;
    constexpr std::wstring_view kPause = L"PAUSE";
    for (std::size_t i = 0; i < 5; ++i) {
        wchar_t c = line[i];
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != kPause[i])
            return false;
    }
    return true;
}

std::wstring SetLineValue(std::wstring_view value, bool quoted) {
    std::wstring literal = BatchLiteral(value);
    if (quoted)
        return literal;
    std::wstring result;
    result.reserve(literal.size());
    for (const wchar_t c : literal) {
        if (c == L'&' || c == L'|' || c == L'<' || c == L'>' || c == L'^')
            result.push_back(L'^');
        result.push_back(c);
    }
    return result;
}

std::wstring NormaliseLineBreaks(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size() + text.size() / 16 + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            result += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
        } else if (c == L'\n') {
            result += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\r')
                ++i;
        } else {
            result.push_back(c);
        }
    }
    if (result.size() < 2 || result.compare(result.size() - 2, 2, L"\r\n") != 0)
        result += L"\r\n";
    return result;
}

std::wstring BatchFileText(const InstallSession& session, std::string_view commands, bool removePause) {
    std::wstring text = L"@echo off\r\n";
    for (const SetLine& line : kSetLines) {
        const std::wstring value = SetLineValue(VariableValue(session, line.name), line.quoted);
        if (line.quoted)
            text.append(L"SET \"").append(line.name).append(L"=").append(value).append(L"\"\r\n");
        else
            text.append(L"SET ").append(line.name).append(L"=").append(value).append(L"\r\n");
    }
    const std::wstring script = Windows1252ToUtf16(commands);
    text += removePause ? WithoutPauseLines(script) : script;
    return text;
}

bool RunBatch(const InstallSession& session, InstallLog& log, const BatchRequest& request) {
    if (IsBlank(request.commands))
        return true;
    const bool hidden = session.silent || request.hidden;
    const bool titled = !request.title.empty();
    if (titled)
        log.WriteLogPieces({std::string_view("\r\nRunning "), request.title, std::string_view("...\r\n")});

    const std::wstring interpreter = CommandInterpreter();
    if (!IsExistingFile(interpreter)) {
        log.WriteLogPieces({std::wstring_view(L"The CLI "), std::wstring_view(interpreter),
                            std::wstring_view(L" does not exist!\r\n")});
        return false;
    }

    const std::wstring text =
        NormaliseLineBreaks(BatchFileText(session, request.commands, session.automatic || hidden));
    const OsVersionInfo& os = CurrentOs();
    const bool windows7OrLater =
        os.platformId == os_platform::kNt && (os.major > 6 || (os.major == 6 && os.minor >= 1));
    const std::string bytes = EncodeBatchText(text, windows7OrLater);

    const std::wstring& installDir = session.folders.installDir;
    const std::wstring folder =
        !installDir.empty() && FolderExists(installDir) ? installDir : TemporaryFolder();
    const std::wstring batchPath = PathJoin(folder, L"SETUPBAT.BAT");
    const std::wstring capturePath = PathJoin(folder, L"cs_batch.log");
    // Both files exist only while the batch runs, whatever happens to it.
    struct RemoveFiles {
        const std::wstring& batch;
        const std::wstring& capture;
        ~RemoveFiles() {
            DeleteFileW(capture.c_str());
            DeleteFileW(batch.c_str());
        }
    } removeFiles{batchPath, capturePath};
    {
        UniqueHandle file(CreateFileW(batchPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteAll(file.Get(), bytes.data(), bytes.size())) {
            const std::wstring error = SystemErrorText(GetLastError());
            file.Reset();
            ReportFailure(session, log,
                          FormatText(L"Unable to create batch file \"%s\".\r\n\r\n%s", {batchPath, error}));
            return false;
        }
    }

    std::wstring command = ShortOrSame(batchPath);
    if (titled) {
        UniqueHandle capture(CreateFileW(capturePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!capture) {
            const std::string error = Utf16ToWindows1252(SystemErrorText(GetLastError()));
            log.WriteLogPieces({std::string_view("Failed to create batch output capture file.  "),
                                std::string_view(error), std::string_view("\r\n")});
        } else {
            capture.Reset();
            command += L" > " + ShortOrSame(capturePath);
        }
    }

    std::wstring commandLine = L"\"" + interpreter + L"\" /c " + command;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (hidden) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, folder.c_str(), &startup, &process)) {
        const std::wstring error = SystemErrorText(GetLastError());
        ReportFailure(session, log,
                      FormatText(L"Unable to launch batch file \"%s\".\r\n%s\r\nCommand line: %s",
                                 {batchPath, error, commandLine}));
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitPumpingMessages(processHandle.Get());
    if (titled)
        CopyCapturedOutput(capturePath, log);
    return true;
}

}  // namespace vantrel
