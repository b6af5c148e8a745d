#include "support/file_system.h"

#include <shellapi.h>

#include "support/unique_handle.h"

namespace vantrel {

bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    WIN32_FIND_DATAW data;
    const std::wstring pattern = folder + (folder.empty() || folder.back() == L'\\' ? L"*" : L"\\*");
    HANDLE find =
        FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({name, data.dwFileAttributes});
    } while (FindNextFileW(find, &data));
    const DWORD error = GetLastError();
    FindClose(find);
    SetLastError(error);
    return error == ERROR_NO_MORE_FILES;
}

bool MoveToRecycleBin(const std::wstring& path) {
    std::wstring from = path;
    from.push_back(L'\0');  // the list ends with an empty entry
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    if (result != 0) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return !operation.fAnyOperationsAborted;
}

namespace {

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights are needed to read a file's identity, and every sharing is allowed.
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid() && GetFileInformationByHandle(file.Get(), &info);
}

}  // namespace

bool IsSameFile(const std::wstring& first, const std::wstring& second) {
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    if (!FileIdentity(first, a) || !FileIdentity(second, b))
        return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool IsDrivePresent(wchar_t letter) {
    if (letter >= L'a' && letter <= L'z')
        letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter < L'A' || letter > L'Z')
        return false;
    return (GetLogicalDrives() & (1u << (letter - L'A'))) != 0;
}

std::wstring LongPathOf(const std::wstring& path) {
    const DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return path;
    std::wstring result(needed, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), result.data(), needed);
    if (length == 0 || length >= needed)
        return path;
    result.resize(length);
    return result;
}

std::wstring ShortPathOf(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring result(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), result.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    result.resize(length);
    return result;
}

std::wstring FoldCase(std::wstring text) {
    if (!text.empty())
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::optional<std::uint64_t> FileVersionOf(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return 0;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return (static_cast<std::uint64_t>(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
}

std::optional<std::uint64_t> FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const DWORD piece = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, piece, &written, nullptr))
            return false;
        if (written != piece) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes += piece;
        size -= piece;
    }
    return true;
}

bool SetFileTimes(const std::wstring& path, const FILETIME* creation, const FILETIME* lastAccess,
                  const FILETIME* lastWrite) {
    UniqueHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && SetFileTime(file.Get(), creation, lastAccess, lastWrite);
}

}  // namespace vantrel
