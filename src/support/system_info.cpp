#include "support/system_info.h"

#include <windows.h>

#include "format/text_format.h"
#include "support/unique_handle.h"
#include "support/unique_memory.h"

namespace vantrel {

std::wstring ModuleFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    if (slash == 2 && path[1] == L':')
        return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring SystemErrorText(unsigned long code) {
    if (code == 0)
        return {};
    if (code == ERROR_INVALID_PASSWORD)
        return L"Incorrect password.";
    UniqueLocalMemory<wchar_t*> buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(buffer.Receive()), 0,
        nullptr);
    std::wstring text;
    if (length != 0 && buffer.Get() != nullptr)
        text.assign(buffer.Get(), length);
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    const std::size_t last = text.find_last_not_of(L" \t\r\n");
    text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
    if (text.empty()) {
        text = FormatText(L"Error 0x%08X", {static_cast<unsigned>(code)});
    }
    return text;
}

std::string ToSystemCodePage(const std::wstring& text) {
    if (text.empty())
        return {};
    const int wide = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, "?", nullptr);
    std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), wide, result.data(), length, "?", nullptr);
    return result;
}

std::wstring FullPathOf(const std::wstring& path) {
    if (path.empty())
        return path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring result(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, result.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    result.resize(length);
    return result;
}

bool EnablePrivilege(const wchar_t* name) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken))
        return false;
    UniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
        return false;
    if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr))
        return false;
    return GetLastError() == ERROR_SUCCESS;
}

std::uint64_t TakeRunStamp() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks & 0x7FFFFFFFFFFFFFFFull;
}

}  // namespace vantrel
