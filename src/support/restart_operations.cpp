#include "support/restart_operations.h"

#include <windows.h>

#include "format/path_join.h"
#include "format/wininit_rename.h"
#include "support/file_system.h"
#include "support/system_info.h"
#include "support/unique_handle.h"

namespace vantrel {

bool DelayedMove(const std::wstring& source, const std::wstring& target) {
    if (target.empty())
        return MoveFileExW(source.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    return MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool HasWininitProgram(const std::wstring& windowsFolder) {
    const DWORD attributes = GetFileAttributesW(PathJoin(windowsFolder, L"wininit.exe").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

std::string ReadWholeFile(HANDLE file) {
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

// The 8.3 form in the ANSI code page; the full path when the file has no short form (a
// replacement's target that does not exist yet).
std::string WininitName(const std::wstring& path) {
    if (path == L"NUL")
        return "NUL";
    const std::wstring shortPath = ShortPathOf(path);
    return ToSystemCodePage(shortPath.empty() ? path : shortPath);
}

}  // namespace

bool AddWininitEntry(const std::wstring& windowsFolder, const std::wstring& left, const std::wstring& right) {
    const std::wstring iniPath = PathJoin(windowsFolder, L"wininit.ini");
    UniqueHandle file(CreateFileW(iniPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string text =
        AddWininitRename(ReadWholeFile(file.Get()), WininitName(left), WininitName(right));
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteAll(file.Get(), text.data(), text.size()) || !SetEndOfFile(file.Get()))
        return false;
    return true;
}

bool ReadMultiStringValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                          std::vector<std::wstring>& strings) {
    strings.clear();
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    DWORD type = 0;
    DWORD size = 0;
    status = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (status == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        size = static_cast<DWORD>((data.size()) * sizeof(wchar_t));
        status =
            RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size / sizeof(wchar_t));
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) {
        SetLastError(status != ERROR_SUCCESS ? static_cast<DWORD>(status) : ERROR_INVALID_DATA);
        return false;
    }
    // The data ends with an empty string; empty strings before it are entries (a pending
    // deletion's target is one).
    while (!data.empty() && data.back() == L'\0')
        data.pop_back();
    if (data.empty())
        return true;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = data.find(L'\0', at);
        strings.push_back(data.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        if (end == std::wstring::npos)
            break;
        at = end + 1;
    }
    return true;
}

bool WriteMultiStringValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                           const std::vector<std::wstring>& strings) {
    std::wstring data;
    for (const std::wstring& text : strings) {
        data.append(text);
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(root, keyPath, 0, KEY_SET_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, valueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

}  // namespace vantrel
