// memory-probe: starts a Windows program, waits for it to end and prints its full exit code,
// its wall time and how much memory it used (psapi's PeakWorkingSetSize and
// PeakPagefileUsage). Used by scripts/bench-memory and scripts/bench-install.
//   memory-probe PROGRAM [ARGUMENTS...]
// Windows keeps the counters of an ended process while a handle to it is open, so they are
// read after the end. Wine reads them from the live process only, so the largest values seen
// while it ran (sampled every 20 ms) are printed as well.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

struct Peaks {
    SIZE_T workingSet = 0;
    SIZE_T pagefile = 0;
};

bool Query(HANDLE process, Peaks& peaks) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
        return false;
    peaks.workingSet = std::max(peaks.workingSet, counters.PeakWorkingSetSize);
    peaks.pagefile = std::max(peaks.pagefile, counters.PeakPagefileUsage);
    return counters.PeakWorkingSetSize != 0;
}

double Megabytes(SIZE_T bytes) {
    return static_cast<double>(bytes) / 1e6;
}

// Quoted for CreateProcessW's command-line parser (no embedded quotes are expected here).
std::wstring Quote(const std::wstring& text) {
    if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos)
        return text;
    return L"\"" + text + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: memory-probe PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::wstring commandLine = Quote(argv[1]);
    for (int i = 2; i < argc; ++i)
        commandLine += L" " + Quote(argv[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const ULONGLONG started = GetTickCount64();
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        std::fprintf(stderr, "memory-probe: the program did not start (error %lu)\n", GetLastError());
        return 2;
    }
    CloseHandle(info.hThread);
    Peaks running;
    while (WaitForSingleObject(info.hProcess, 20) == WAIT_TIMEOUT)
        Query(info.hProcess, running);
    const ULONGLONG elapsedMs = GetTickCount64() - started;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    Peaks ended;
    const bool afterEnd = Query(info.hProcess, ended);
    CloseHandle(info.hProcess);

    std::printf("exit code: %lu (0x%08lX)\n", code, code);
    std::printf("elapsed: %.2f s\n", static_cast<double>(elapsedMs) / 1000.0);
    if (afterEnd) {
        std::printf("PeakWorkingSetSize: %.1f MB\nPeakPagefileUsage: %.1f MB\n", Megabytes(ended.workingSet),
                    Megabytes(ended.pagefile));
    } else {
        std::printf("PeakWorkingSetSize: not available after the end\n");
    }
    std::printf("largest seen while running: PeakWorkingSetSize %.1f MB, PeakPagefileUsage %.1f MB\n",
                Megabytes(running.workingSet), Megabytes(running.pagefile));
    return 0;
}
