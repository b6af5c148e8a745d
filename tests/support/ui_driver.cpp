#include "support/ui_driver.h"

#include <algorithm>

namespace vantrel::test {
namespace {

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && ClassOf(window) != L"VantrelBackground")
        search->found.push_back(window);
    return TRUE;
}

struct ChildSearch {
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
    reinterpret_cast<ChildSearch*>(context)->children.push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND window) {
    ChildSearch search;
    EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.children;
}

std::wstring WithoutAmpersands(std::wstring text) {
    std::wstring result;
    for (wchar_t c : text) {
        if (c != L'&')
            result.push_back(c);
    }
    return result;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopLevelWindow(DWORD processId, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        std::vector<HWND> windows = TopLevelWindows(processId);
        if (!windows.empty())
            return windows.front();
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

HWND WaitForWindowTitled(DWORD processId, const std::wstring& title, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        for (HWND window : TopLevelWindows(processId)) {
            if (WindowText(window) == title)
                return window;
        }
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

HWND FindBackgroundWindow(DWORD processId) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"VantrelBackground", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowText: it reaches controls of other processes too. With a
    // bound: a window whose thread is busy (a system dialog filling itself) reads as empty for
    // now, and the callers' waits look again, instead of the test blocking on it for ever.
    constexpr UINT kSendTimeoutMs = 10000;
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length) == 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                            reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, kSendTimeoutMs, &copied) == 0)
        return {};
    text.resize(std::min(static_cast<std::size_t>(copied), text.size()));
    return text;
}

std::vector<std::wstring> StaticTexts(HWND window) {
    std::vector<std::wstring> texts;
    for (HWND child : Children(window)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0) {
            std::wstring text = WindowText(child);
            if (!text.empty())
                texts.push_back(std::move(text));
        }
    }
    return texts;
}

std::wstring AllStaticText(HWND window) {
    std::wstring all;
    for (const std::wstring& text : StaticTexts(window)) {
        if (!all.empty())
            all += L"\n";
        all += text;
    }
    return all;
}

bool PressButton(HWND window, const std::wstring& caption) {
    for (HWND child : Children(window)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 &&
            WithoutAmpersands(WindowText(child)) == caption) {
            PostMessageW(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

}  // namespace vantrel::test
