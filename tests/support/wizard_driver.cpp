#include "support/wizard_driver.h"

#include "support/ui_driver.h"

namespace vantrel::test {

HWND WaitForPageWithControl(DWORD processId, int controlId, DWORD timeoutMs, HWND except) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(processId)) {
                if (window != except && GetDlgItem(window, controlId) != nullptr) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND FindProgressPage(DWORD processId) {
    constexpr int kStatus = 1011;
    constexpr int kBar = 1007;
    for (HWND window : TopLevelWindows(processId)) {
        if (GetDlgItem(window, kStatus) != nullptr && GetDlgItem(window, kBar) != nullptr)
            return window;
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

std::wstring ControlText(HWND page, int id) {
    const HWND control = GetDlgItem(page, id);
    return control != nullptr ? WindowText(control) : std::wstring();
}

bool SetControlText(HWND page, int id, const std::wstring& text) {
    const HWND control = GetDlgItem(page, id);
    return control != nullptr &&
           SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
}

bool ControlVisible(HWND page, int id) {
    const HWND control = GetDlgItem(page, id);
    return control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool ControlEnabled(HWND page, int id) {
    const HWND control = GetDlgItem(page, id);
    return control != nullptr && IsWindowEnabled(control);
}

bool ControlChecked(HWND page, int id) {
    return SendMessageW(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ClickControl(HWND page, int id) {
    PostMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

RECT ControlRect(HWND page, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(page, id), &rect);
    return rect;
}

std::vector<std::wstring> ListEntries(HWND page, int id) {
    const HWND list = GetDlgItem(page, id);
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT copied =
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
        entries.push_back(text);
    }
    return entries;
}

int ListSelection(HWND page, int id) {
    return static_cast<int>(SendMessageW(GetDlgItem(page, id), LB_GETCURSEL, 0, 0));
}

void SelectListEntry(HWND page, int id, int index) {
    const HWND list = GetDlgItem(page, id);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // A click tells the page; a selection set by message does not.
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void ScrollToEnd(HWND page, int id) {
    SendMessageW(GetDlgItem(page, id), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
}

HWND FocusedControl(HWND page) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info) || info.hwndFocus == nullptr)
        return nullptr;
    return IsChild(page, info.hwndFocus) ? info.hwndFocus : nullptr;
}

void PressKey(HWND control, WPARAM key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
}

void PressMnemonic(HWND control, wchar_t letter) {
    // Bit 29 of the key data: Alt is held.
    PostMessageW(control, WM_SYSCHAR, static_cast<WPARAM>(letter), (LPARAM{1} << 29) | 1);
}

std::vector<int> TabOrder(HWND page, std::size_t limit) {
    constexpr DWORD kFocusTimeoutMs = 10000;
    std::vector<int> order;
    HWND first = nullptr;
    if (!WaitUntil([&] { return (first = FocusedControl(page)) != nullptr; }, kFocusTimeoutMs))
        return order;
    order.push_back(GetDlgCtrlID(first));
    HWND current = first;
    while (order.size() < limit) {
        PressKey(current, VK_TAB);
        HWND next = nullptr;
        if (!WaitUntil(
                [&] {
                    next = FocusedControl(page);
                    return next != nullptr && next != current;
                },
                kFocusTimeoutMs))
            break;  // Tab stayed where it was
        if (next == first)
            break;
        order.push_back(GetDlgCtrlID(next));
        current = next;
    }
    return order;
}

bool ChooseContextMenuEntry(DWORD processId, HWND page, HWND control, int position, DWORD timeoutMs,
                            MenuOpening opening) {
    if (opening == MenuOpening::kRightClick) {
        // The control asks its page for the menu, as the system does for a right click.
        PostMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(12, 12));
        PostMessageW(control, WM_RBUTTONUP, 0, MAKELPARAM(12, 12));
    } else {
        // A position of -1 is the menu key's: the menu opens at the control.
        PostMessageW(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), -1);
    }
    HWND menu = nullptr;
    if (!WaitUntil(
            [&] {
                for (HWND window : TopLevelWindows(processId)) {
                    wchar_t name[16] = {};
                    GetClassNameW(window, name, 16);
                    if (lstrcmpW(name, L"#32768") == 0)
                        menu = window;
                }
                return menu != nullptr;
            },
            timeoutMs))
        return false;
    // The menu's own loop takes every key of its thread; the first Down selects the first entry.
    for (int step = 0; step <= position; ++step)
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 1);
    return true;
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr))
        return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = characters;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

HWND ClickThroughPages(DWORD processId, const std::function<bool()>& ended, DWORD timeoutMs) {
    constexpr int kNext = 1001;
    constexpr int kText = 1005;
    constexpr int kProgressBar = 1007;
    HWND other = nullptr;
    const auto pageOrOther = [&](HWND& page) {
        for (HWND window : TopLevelWindows(processId)) {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (lstrcmpW(name, L"#32770") != 0 || GetDlgItem(window, kProgressBar) != nullptr)
                continue;  // the background window and the progress page wait for nobody
            if (GetDlgItem(window, kNext) == nullptr) {
                other = window;
                return true;
            }
            page = window;
            return true;
        }
        return false;
    };
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        HWND page = nullptr;
        if (!WaitUntil([&] { return pageOrOther(page) || ended(); }, timeoutMs))
            return nullptr;
        if (other != nullptr)
            return other;
        if (page == nullptr)
            return nullptr;
        if (GetDlgItem(page, kText) != nullptr)
            ScrollToEnd(page, kText);
        if (HWND viewer = FindWindowExW(page, nullptr, L"RichEdit20W", nullptr))
            SendMessageW(viewer, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
        WaitUntil([&] { return ControlEnabled(page, kNext); }, timeoutMs);
        ClickControl(page, kNext);
        WaitUntil([&] { return !IsWindow(page); }, timeoutMs);
    }
    return nullptr;
}

}  // namespace vantrel::test
