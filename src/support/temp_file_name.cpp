#include "support/temp_file_name.h"

#include <windows.h>

#include <cstdint>

#include "format/path_join.h"
#include "format/text_format.h"
#include "support/folder_tree.h"
#include "support/shell_folders.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

constexpr int kTries = 400;
constexpr int kSwitchToTemporaryFolder = 200;
constexpr int kSwitchToRootTemp = 300;
const wchar_t kRootTemp[] = L"c:\\temp";

std::wstring WithoutTrailingBackslashKeepingRoot(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring FindTemporaryFolder() {
    std::wstring path(MAX_PATH + 1, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(path.size()), path.data());
    path.resize(length > 0 && length < path.size() ? length : 0);
    if (FolderExists(path))
        return WithoutTrailingBackslashKeepingRoot(path);
    const std::wstring windowsTemp = PathJoin(WindowsFolder(), L"temp");
    if (FolderExists(windowsTemp))
        return WithoutTrailingBackslashKeepingRoot(windowsTemp);
    CreateDirectoryW(kRootTemp, nullptr);
    return kRootTemp;
}

// Successive numbers differ: a full-period 16-bit linear congruential sequence.
unsigned NextRandom16() {
    static std::uint32_t state = (GetTickCount() ^ (GetCurrentProcessId() << 7)) & 0xFFFFu;
    state = (state * 25173u + 13849u) & 0xFFFFu;
    return state;
}

}  // namespace

const std::wstring& TemporaryFolder() {
    static const std::wstring folder = FindTemporaryFolder();
    return folder;
}

std::wstring MakeTempFileName(const std::wstring& folderIn, const std::wstring& extensionIn, unsigned flags) {
    std::wstring folder = folderIn;
    if (folder.empty()) {
        folder = TemporaryFolder();
    } else if (!CreateFolderTree(folder)) {
        return {};
    }
    std::wstring extension = extensionIn;
    if (!extension.empty() && extension.front() == L'.')
        extension.erase(0, 1);

    if (extension.empty()) {
        wchar_t unique[MAX_PATH];
        if (GetTempFileNameW(folder.c_str(), L"QVT", 0, unique) != 0)
            return unique;
    }
    const std::wstring nameExtension = extension.empty() ? std::wstring(L"tmp") : extension;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if ((flags & temp_name::kKeepFolder) == 0) {
            if (attempt == kSwitchToTemporaryFolder)
                folder = TemporaryFolder();
            if (attempt == kSwitchToRootTemp && CreateFolderTree(kRootTemp))
                folder = kRootTemp;
        }
        const std::wstring path = PathJoin(folder, FormatText(L"QVT%4X.%s", {NextRandom16(), nameExtension}));
        if (extension.empty()) {
            if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
                GetLastError() == ERROR_FILE_NOT_FOUND) {
                return path;
            }
            continue;
        }
        UniqueHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return path;
    }
    return {};
}

}  // namespace vantrel
