#pragma once

#include <windows.h>

#include <exception>
#include <utility>

namespace vantrel {

// Exceptions must never cross a window procedure or any other system callback: the unwinder
// cannot pass the system's frames. A callback runs its project code through Call(): when that
// code ends the run (a RunEnd from the fatal routine) or throws anything else, the exception
// is kept, the thread's message loop is told to quit, and the callback returns `fallback` to
// the system. The loop's owner then calls RethrowPending() once the loop has ended, and the
// end continues in project code, where the stack can unwind.
class CallbackGuard {
  public:
    template <typename Result, typename Body>
    Result Call(Result fallback, Body&& body) noexcept {
        // Once the run is ending, late messages do no more work.
        if (pending_)
            return fallback;
        try {
            return std::forward<Body>(body)();
        } catch (...) {
            pending_ = std::current_exception();
            PostQuitMessage(0);
            return fallback;
        }
    }

    bool Pending() const { return static_cast<bool>(pending_); }

    // Throws what a callback caught, if anything; called after the message loop.
    void RethrowPending() {
        if (pending_)
            std::rethrow_exception(std::exchange(pending_, nullptr));
    }

  private:
    std::exception_ptr pending_;
};

// Runs this thread's message loop until WM_QUIT, then throws what a guarded callback caught.
// Returns the quit message's code.
int RunMessageLoop(CallbackGuard& guard);

}  // namespace vantrel
