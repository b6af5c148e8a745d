// What creating many small files costs under Wine, written three ways: time set through the
// open handle; the file closed, reopened and its time set; and that plus the attributes set
// by path. Prints microseconds per file for each. Figures only.
//
//   file-create-bench [folder] [files]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

enum class Way { kTimeThroughHandle, kReopenForTime, kReopenAndAttributes };

bool WriteOne(const std::wstring& path, const std::vector<char>& data, const FILETIME& time, Way way) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    if (way == Way::kTimeThroughHandle) {
        SetFileTime(file, &time, &time, &time);
        CloseHandle(file);
        return true;
    }
    CloseHandle(file);
    file =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    if (way == Way::kReopenAndAttributes)
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

void RemoveFiles(const std::wstring& folder, int count) {
    for (int i = 0; i < count; ++i)
        DeleteFileW((folder + L"\\f" + std::to_wstring(i) + L".txt").c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = argc > 1 ? argv[1] : std::wstring(temp) + L"file-create-bench";
    const int count = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 5000;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::vector<char> data(2000, 'x');
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    const struct {
        Way way;
        const char* name;
    } ways[] = {{Way::kTimeThroughHandle, "time through the open handle"},
                {Way::kReopenForTime, "closed, reopened for the time"},
                {Way::kReopenAndAttributes, "reopened, attributes by path"}};
    for (const auto& way : ways) {
        std::vector<double> perFile;
        for (int round = 0; round < 3; ++round) {
            const double start = Now();
            for (int i = 0; i < count; ++i)
                WriteOne(folder + L"\\f" + std::to_wstring(i) + L".txt", data, time, way.way);
            perFile.push_back((Now() - start) * 1e6 / count);
            RemoveFiles(folder, count);
        }
        std::sort(perFile.begin(), perFile.end());
        std::printf(
            "file-create-bench: %-30s best %7.1f us/file  median %7.1f us/file (%d files of %zu bytes)\n",
            way.name, perFile.front(), perFile[1], count, data.size());
    }
    RemoveDirectoryW(folder.c_str());
    return 0;
}
