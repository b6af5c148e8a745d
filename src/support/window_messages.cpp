#include "support/window_messages.h"

namespace vantrel {
namespace {

// Dialogs are windows of the system's dialog class; the modal ones run loops of their own,
// so a dialog seen here is a modeless one.
bool IsDialog(HWND window) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

}  // namespace

void DispatchWindowMessage(MSG& message) {
    if (message.hwnd != nullptr) {
        const HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && IsDialog(root) && IsDialogMessageW(root, &message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void DispatchPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchWindowMessage(message);
}

}  // namespace vantrel
