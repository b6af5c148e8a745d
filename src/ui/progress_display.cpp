#include "ui/progress_display.h"

#include <commctrl.h>

#include <algorithm>

#include "support/window_messages.h"
#include "ui/background_window_layout.h"
#include "ui/window_dpi.h"

namespace vantrel {
namespace {

constexpr const wchar_t* kOwnWindowClass = L"VantrelProgress";
constexpr DWORD kWaitStepMs = 50;

// The system's message font, at the density of the window that shows it.
HFONT MessageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    const int systemDpi = WindowDpi(nullptr);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// A plain captioned window that only carries the controls; nothing of ours runs in it.
HWND CreateOwnWindow(HINSTANCE instance, const std::wstring& caption, int clientWidth, int clientHeight) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(instance, kOwnWindowClass, &known)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kOwnWindowClass;
        if (RegisterClassExW(&windowClass) == 0)
            return nullptr;
    }
    const DWORD style = WS_POPUP | WS_CAPTION;
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    return CreateWindowExW(
        0, kOwnWindowClass, caption.c_str(), style, area.left + (area.right - area.left - width) / 2,
        area.top + (area.bottom - area.top - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
}

}  // namespace

std::uint32_t StatusDelayLeft(std::uint32_t now, std::uint32_t changedAt, std::uint32_t delay) {
    const std::uint32_t elapsed = now - changedAt;
    return elapsed >= delay ? 0 : delay - elapsed;
}

void ServiceWindows(CallbackGuard& guard) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            guard.RethrowPending();
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchWindowMessage(message);
    }
    guard.RethrowPending();
}

void ProgressDisplay::ShowOnPage(const ProgressPageControls& controls) {
    Close();
    controls_ = controls;
    if (controls_.bar != nullptr) {
        SendMessageW(controls_.bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageW(controls_.bar, PBM_SETPOS, static_cast<WPARAM>(percent_), 0);
    }
    if (controls_.status != nullptr)
        SetWindowTextW(controls_.status, status_.c_str());
}

void ProgressDisplay::ShowOwnControls(HINSTANCE instance, HWND background, const std::wstring& caption) {
    Close();
    // The common controls are loaded here, from the system folder, not imported: an import
    // loads at start, before the search order is restricted, and brings its own imports
    // (the theme library) from wherever the installer was started.
    if (!commonControls_)
        commonControls_ = UniqueLibrary(LoadSystemLibrary(L"comctl32.dll"));
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = ModuleFunction<InitFunction>(commonControls_.Get(), "InitCommonControlsEx")) {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        init(&classes);
    }
    const int dpi = WindowDpi(background);
    const int width = ScaleForDpi(440, dpi);
    const int lineHeight = ScaleForDpi(20, dpi);
    const int barHeight = ScaleForDpi(18, dpi);
    const int gap = ScaleForDpi(12, dpi);
    HWND parent = background;
    int left = gap;
    int top = gap;
    int panelWidth = width;
    if (background != nullptr) {
        // A panel in the lower part of the background, clear of the title and the copyright.
        RECT client;
        GetClientRect(background, &client);
        panelWidth = std::min<int>(width, client.right - 2 * gap);
        left = (client.right - panelWidth) / 2;
        top = client.bottom * 3 / 4;
    } else {
        ownWindow_ = CreateOwnWindow(instance, caption, width + 2 * gap, lineHeight + barHeight + 3 * gap);
        if (ownWindow_ == nullptr)
            return;
        parent = ownWindow_;
    }
    ownControls_ = true;
    controls_.page = ownWindow_;
    controls_.status =
        CreateWindowExW(0, L"STATIC", status_.c_str(),
                        WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_PATHELLIPSIS, left, top,
                        panelWidth, lineHeight, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressStatusId)), instance, nullptr);
    controls_.bar = CreateWindowExW(
        0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, left, top + lineHeight + gap / 2, panelWidth,
        barHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarId)), instance, nullptr);
    font_ = MessageFont(dpi);
    if (font_ != nullptr && controls_.status != nullptr)
        SendMessageW(controls_.status, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (controls_.bar != nullptr) {
        SendMessageW(controls_.bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageW(controls_.bar, PBM_SETPOS, static_cast<WPARAM>(percent_), 0);
    }
    if (ownWindow_ != nullptr)
        ShowWindow(ownWindow_, SW_SHOWNORMAL);
}

void ProgressDisplay::Close() {
    if (ownControls_) {
        if (ownWindow_ != nullptr) {
            DestroyWindow(ownWindow_);
        } else {
            if (controls_.status != nullptr)
                DestroyWindow(controls_.status);
            if (controls_.bar != nullptr)
                DestroyWindow(controls_.bar);
        }
    } else if (controls_.page != nullptr) {
        DestroyWindow(controls_.page);
    }
    controls_ = {};
    ownControls_ = false;
    ownWindow_ = nullptr;
    if (font_ != nullptr) {
        DeleteObject(font_);
        font_ = nullptr;
    }
}

void ProgressDisplay::SetStatus(const std::wstring& text) {
    status_ = text;
    statusChangedAt_ = GetTickCount();
    if (controls_.status != nullptr) {
        SetWindowTextW(controls_.status, text.c_str());
        if (controls_.transparentStatus && controls_.page != nullptr) {
            // The text has no background of its own: the page repaints what lies under it.
            RECT area;
            GetWindowRect(controls_.status, &area);
            MapWindowPoints(nullptr, controls_.page, reinterpret_cast<POINT*>(&area), 2);
            InvalidateRect(controls_.page, &area, TRUE);
        }
    }
    Service();
}

void ProgressDisplay::SetPercent(int percent) {
    percent_ = percent;
    if (controls_.bar != nullptr)
        PostMessageW(controls_.bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    Service();
}

void ProgressDisplay::WaitForStatusDelay(std::uint32_t delayMs) {
    for (;;) {
        Service();
        const std::uint32_t left = StatusDelayLeft(GetTickCount(), statusChangedAt_, delayMs);
        if (left == 0)
            return;
        Sleep(std::min<DWORD>(left, kWaitStepMs));
    }
}

}  // namespace vantrel
