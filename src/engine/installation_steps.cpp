#include "engine/installation_steps.h"

#include <windows.h>

#include "format/os_version.h"
#include "format/path_join.h"
#include "support/shell_folders.h"
#include "support/unique_handle.h"
#include "support/registry_key.h"
#include "support/registry_text.h"

namespace vantrel {
namespace {

void ReplaceAll(std::wstring& text, std::wstring_view token, const std::wstring& value) {
    std::size_t at = 0;
    while ((at = text.find(token, at)) != std::wstring::npos) {
        text.replace(at, token.size(), value);
        at += value.size();
    }
}

}  // namespace

std::uint32_t WindowsVersionBit(const OsVersionInfo& os) {
    if (os.platformId == os_platform::kWin32s)
        return 0x2;
    if (os.platformId == os_platform::kWindows)
        return os.minor == 0 ? 0x4 : os.minor < 90 ? 0x8 : 0x10;
    switch (os.major) {
        case 3:
            return 0x20;
        case 4:
            return 0x40;
        case 5:
            return os.minor == 0 ? 0x80 : 0x100;
        case 6:
            // Vista, 7, 8, 8.1 follow XP bit by bit.
            return os.minor <= 3 ? 0x200u << os.minor : 0;
        default:
            return os.major >= 10 ? 0x2000 : 0;
    }
}

bool IsRegistryPath(const std::wstring& path) {
    return _wcsnicmp(path.c_str(), L"HKLM\\", 5) == 0 || _wcsnicmp(path.c_str(), L"HKCU\\", 5) == 0;
}

std::wstring ReadRegistryPathValue(const std::wstring& path) {
    // The leading backslash of the registry-entry syntax is optional here.
    const std::wstring full = !path.empty() && path.front() == L'\\' ? path : L"\\" + path;
    HKEY root = nullptr;
    std::wstring_view rest;
    if (!FindRegistryRootOrLongName(full, root, rest))
        return {};
    const std::size_t split = rest.rfind(L'\\');
    if (split == std::wstring_view::npos)
        return {};
    return ReadRegistryText(root, std::wstring(rest.substr(0, split)).c_str(),
                            std::wstring(rest.substr(split + 1)).c_str());
}

std::wstring DefaultInstallFolder(std::wstring setting, const std::wstring& productName,
                                  const std::wstring& windowsFolder, const std::wstring& programFiles,
                                  const std::function<void(std::wstring&)>& expand) {
    if (setting.empty())
        return PathJoin(programFiles, productName);
    ReplaceAll(setting, L"<os>", windowsFolder);
    expand(setting);
    if (setting == L"<master>" || IsRegistryPath(setting))
        return setting;
    const bool absolute =
        setting.size() >= 2 && (setting[1] == L':' || (setting[0] == L'\\' && setting[1] == L'\\'));
    return absolute ? setting : PathJoin(programFiles, setting);
}

std::wstring WithProductMarkers(std::wstring text, const std::wstring& product,
                                const std::wstring& description, const std::wstring& windowsName) {
    ReplaceAll(text, L"<product>", product);
    ReplaceAll(text, L"<description>", description);
    ReplaceAll(text, L"<os>", windowsName);
    return text;
}

std::wstring HandOverCommand(const std::wstring& uninstallCommand, const std::wstring& ownCommandLine) {
    std::wstring own = ownCommandLine;
    for (wchar_t& c : own)
        if (c == L'"')
            c = L'`';
    return uninstallCommand + L" /r:\"" + own + L"\"";
}

void SplitCommand(const std::wstring& command, std::wstring& program, std::wstring& arguments) {
    std::size_t start = command.find_first_not_of(L" \t");
    if (start == std::wstring::npos) {
        program.clear();
        arguments.clear();
        return;
    }
    std::size_t end;
    if (command[start] == L'"') {
        ++start;
        end = command.find(L'"', start);
        program = command.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        end = end == std::wstring::npos ? command.size() : end + 1;
    } else {
        end = command.find_first_of(L" \t", start);
        if (end == std::wstring::npos)
            end = command.size();
        program = command.substr(start, end - start);
    }
    const std::size_t rest = command.find_first_not_of(L" \t", end);
    arguments = rest == std::wstring::npos ? std::wstring() : command.substr(rest);
}

bool StartCommand(const std::wstring& commandLine, const std::wstring& workingFolder) {
    std::wstring program;
    std::wstring arguments;
    SplitCommand(commandLine, program, arguments);
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    // A bare name ("MsiExec.exe") is a system program: take it from the system folder only.
    if (program.find(L'\\') == std::wstring::npos && program.find(L'/') == std::wstring::npos)
        program = PathJoin(SystemFolder(), program);
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace vantrel
