#include "ui/message_box_texts.h"

namespace vantrel {
namespace {

// The hook procedure has no context of its own: it finds the one active instance here.
const MessageBoxButtonTexts* activeTexts = nullptr;
HHOOK activeHook = nullptr;

struct ButtonMessage {
    int id;
    std::size_t message;
};
constexpr ButtonMessage kButtons[] = {{IDYES, 79}, {IDNO, 80}, {IDCANCEL, 49}, {IDRETRY, 100}};

// A dialog of the system's class that is not one of the wizard's pages (they have Next).
bool IsMessageBox(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0 && GetDlgItem(window, 1001) == nullptr;
}

}  // namespace

MessageBoxButtonTexts::MessageBoxButtonTexts(std::function<std::wstring(std::size_t number)> text)
    : text_(std::move(text)) {
    if (activeTexts != nullptr)
        return;
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxButtonTexts::OnActivation, nullptr, GetCurrentThreadId());
    if (hook_ != nullptr) {
        activeTexts = this;
        activeHook = hook_;
    }
}

MessageBoxButtonTexts::~MessageBoxButtonTexts() {
    if (hook_ == nullptr)
        return;
    UnhookWindowsHookEx(hook_);
    activeTexts = nullptr;
    activeHook = nullptr;
}

LRESULT CALLBACK MessageBoxButtonTexts::OnActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeTexts != nullptr) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window))
            activeTexts->Translate(window);
    }
    return CallNextHookEx(activeHook, code, wParam, lParam);
}

void MessageBoxButtonTexts::Translate(HWND box) const noexcept {
    // Runs inside the system's activation: nothing may leave it by exception.
    try {
        for (const ButtonMessage& button : kButtons) {
            const HWND control = GetDlgItem(box, button.id);
            if (control == nullptr)
                continue;
            const std::wstring text = text_ ? text_(button.message) : std::wstring();
            if (!text.empty())
                SetWindowTextW(control, text.c_str());
        }
    } catch (...) {
    }
}

}  // namespace vantrel
