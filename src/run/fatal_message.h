#pragma once

#include <string>

#include "run/run_state.h"

namespace vantrel {

// The one routine that shows a fatal message and ends the run with exit code 1. The message
// box has the error icon and message 21 as its title ("Error" while that is empty); nothing
// is shown in silent mode. A fatal error raised while one is being shown (or while the run
// unwinds after one) ends the run with -1.
class FatalMessageRoutine {
  public:
    explicit FatalMessageRoutine(RunState& run);
    ~FatalMessageRoutine();
    FatalMessageRoutine(const FatalMessageRoutine&) = delete;
    FatalMessageRoutine& operator=(const FatalMessageRoutine&) = delete;

    // Registers this routine with the support library (one per process).
    void Register();

    [[noreturn]] void Raise(const std::wstring& message);

  private:
    RunState& run_;
    bool active_ = false;
};

// Raises a fatal message through the registered routine.
[[noreturn]] void Fatal(const std::wstring& message);

}  // namespace vantrel
