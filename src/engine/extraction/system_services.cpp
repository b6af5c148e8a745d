#include <windows.h>

#include <vector>

#include "engine/extraction/extraction_services.h"
#include "format/path_join.h"
#include "support/version_resource.h"

namespace vantrel {
namespace {

std::uint64_t Ticks(const FILETIME& time) {
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace

ExistingFile ProbeExistingFile(const std::wstring& path, bool withVersion) {
    ExistingFile existing;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        existing.exists = true;
        existing.lastWrite = Ticks(data.ftLastWriteTime);
    } else {
        // Something that cannot even be looked at is there all the same.
        const DWORD error = GetLastError();
        existing.exists = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    }
    if (existing.exists && withVersion)
        existing.version = NormaliseVersionText(ReadFileVersionText(path));
    return existing;
}

std::wstring FullPath(std::wstring_view path) {
    const std::wstring input(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFullPathNameW(input.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0)
            return input;
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

FolderCreation CreateFolderWithParents(const std::wstring& folder) {
    FolderCreation result;
    // The missing folders, innermost first.
    std::vector<std::wstring> missing;
    std::wstring current = WithoutTrailingBackslash(folder);
    while (!current.empty()) {
        const DWORD attributes = GetFileAttributesW(current.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                result.fileInTheWay = true;
                result.errorCode = ERROR_ALREADY_EXISTS;
                return result;
            }
            break;
        }
        missing.push_back(current);
        const std::wstring parent = WithoutLastComponent(current);
        if (parent == current || parent.empty() || parent.back() == L':')
            break;
        current = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (CreateDirectoryW(it->c_str(), nullptr)) {
            result.created.push_back(*it);
            continue;
        }
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(it->c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;  // made by someone else meanwhile
        }
        result.errorCode = error;
        result.fileInTheWay =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace vantrel
