#include "run/callback_guard.h"

#include "support/window_messages.h"

namespace vantrel {

int RunMessageLoop(CallbackGuard& guard) {
    MSG message;
    int quitCode = 0;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            quitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1)
            break;
        DispatchWindowMessage(message);
    }
    guard.RethrowPending();
    return quitCode;
}

}  // namespace vantrel
