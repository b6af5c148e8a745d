#include "uninstall/running_programs.h"

#include "format/text_encoding.h"
#include "support/ansi_text.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

bool PatternMatches(const std::wstring& pattern, const std::wstring& text) {
    if (!pattern.empty() && pattern.front() == L'*')
        return text.find(pattern.substr(1)) != std::wstring::npos;
    return pattern == text;
}

struct TopWindow {
    HWND window;
    std::wstring title;
    std::wstring className;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    // No exception may cross the system's enumeration: a full list ends it instead.
    try {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

std::vector<TopWindow> OtherProcessesWindows() {
    std::vector<HWND> handles;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&handles));
    std::vector<TopWindow> windows;
    const DWORD self = GetCurrentProcessId();
    for (const HWND window : handles) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == self)
            continue;
        wchar_t title[512] = {};
        wchar_t className[256] = {};
        GetWindowTextW(window, title, 512);
        GetClassNameW(window, className, 256);
        windows.push_back({window, title, className});
    }
    return windows;
}

}  // namespace

bool AutoCloseMatches(const AutoCloseEntry& entry, const std::wstring& title, const std::wstring& className) {
    const std::wstring classPattern = AnsiCodePageToUtf16(entry.classPattern);
    if (entry.titlePattern.empty() && classPattern.empty())
        return false;
    return (entry.titlePattern.empty() || PatternMatches(entry.titlePattern, title)) &&
           (classPattern.empty() || PatternMatches(classPattern, className));
}

const AutoCloseEntry* FirstPassEntry(const std::vector<AutoCloseEntry>& entries, const std::wstring& title,
                                     const std::wstring& className) {
    for (const AutoCloseEntry& entry : entries)
        if ((entry.phaseMask & 2) != 0 && AutoCloseMatches(entry, title, className))
            return &entry;
    return nullptr;
}

void CloseRunningPrograms(const std::vector<AutoCloseEntry>& entries) {
    for (const TopWindow& window : OtherProcessesWindows()) {
        const AutoCloseEntry* entry = FirstPassEntry(entries, window.title, window.className);
        if (entry == nullptr)
            continue;
        if (entry->action == 0 || entry->action == 1) {
            ShowWindow(window.window, SW_SHOWNORMAL);
            SetForegroundWindow(window.window);
            PostMessageW(window.window, entry->action == 0 ? WM_CLOSE : WM_QUIT, 0, 0);
        } else if (entry->action == 3) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window.window, &processId);
            const UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
            if (process.Get() != nullptr)
                TerminateProcess(process.Get(), 1);
        }
    }
}

bool WaitForProgramsToClose(const std::vector<AutoCloseEntry>& entries,
                            const std::function<bool(const std::wstring& programName)>& askRetry) {
    for (const AutoCloseEntry& entry : entries) {
        if ((entry.phaseMask & 4) == 0)
            continue;
        for (;;) {
            bool stillThere = false;
            for (const TopWindow& window : OtherProcessesWindows())
                stillThere |= AutoCloseMatches(entry, window.title, window.className);
            if (!stillThere)
                break;
            if (!askRetry(AnsiCodePageToUtf16(entry.programName)))
                return false;
        }
    }
    return true;
}

}  // namespace vantrel
