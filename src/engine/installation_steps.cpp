#include "engine/installation_steps.h"

#include <windows.h>

#include "format/os_version.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/unique_handle.h"
#include "support/unique_registry_key.h"

namespace vantrel {
namespace {

void ReplaceAll(std::wstring& text, std::wstring_view token, const std::wstring& value) {
    std::size_t at = 0;
    while ((at = text.find(token, at)) != std::wstring::npos) {
        text.replace(at, token.size(), value);
        at += value.size();
    }
}

struct RegistryRoot {
    const wchar_t* name;
    HKEY key;
};
const RegistryRoot kRoots[] = {
    {L"HKLM\\", HKEY_LOCAL_MACHINE}, {L"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
    {L"HKCU\\", HKEY_CURRENT_USER},  {L"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
    {L"HKCR\\", HKEY_CLASSES_ROOT},  {L"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
    {L"HKU\\", HKEY_USERS},          {L"HKEY_USERS\\", HKEY_USERS},
};

const RegistryRoot* RootOf(const std::wstring& path) {
    for (const RegistryRoot& root : kRoots) {
        const std::size_t length = wcslen(root.name);
        if (path.size() > length && _wcsnicmp(path.c_str(), root.name, length) == 0)
            return &root;
    }
    return nullptr;
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

std::wstring UrlEncode(const std::wstring& text) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring result;
    for (const char c : Utf16ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.' || byte == '~') {
            result.push_back(static_cast<wchar_t>(byte));
        } else {
            result.push_back(L'%');
            result.push_back(kHex[byte >> 4]);
            result.push_back(kHex[byte & 0xF]);
        }
    }
    return result;
}

std::wstring NotificationAddress(const std::wstring& address, const std::wstring& version,
                                 std::uint64_t runStamp) {
    std::wstring result = address;
    if (result.find(L'%') == std::wstring::npos)
        return result;
    const OsVersionInfo& os = CurrentOs();
    const std::wstring stamp = FormatText(L"%llX", {static_cast<unsigned long long>(runStamp)});
    ReplaceAll(result, L"%version%", UrlEncode(version));
    ReplaceAll(result, L"%Session%", stamp);
    // The longer tokens first: %OS% is the start of all the others.
    ReplaceAll(result, L"%OSMajor%", DecimalText(os.major));
    ReplaceAll(result, L"%OSMinor%", DecimalText(os.minor));
    ReplaceAll(result, L"%OSName%", UrlEncode(OsName(os)));
    ReplaceAll(result, L"%OSDescription%", UrlEncode(OsDescription(os)));
    ReplaceAll(result, L"%OSServer%", OsIsServer(os) ? L"1" : L"0");
    ReplaceAll(result, L"%OS%", DecimalText(OsCode(os)));
    return result;
}

bool IsRegistryPath(const std::wstring& path) {
    return _wcsnicmp(path.c_str(), L"HKLM\\", 5) == 0 || _wcsnicmp(path.c_str(), L"HKCU\\", 5) == 0;
}

std::wstring ReadRegistryPathValue(const std::wstring& path) {
    const RegistryRoot* root = RootOf(path);
    if (root == nullptr)
        return {};
    const std::wstring rest = path.substr(wcslen(root->name));
    const std::size_t split = rest.rfind(L'\\');
    const std::wstring key = split == std::wstring::npos ? std::wstring() : rest.substr(0, split);
    const std::wstring value = split == std::wstring::npos ? rest : rest.substr(split + 1);
    UniqueRegistryKey opened;
    if (RegOpenKeyExW(root->key, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(opened.Get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(opened.Get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
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
