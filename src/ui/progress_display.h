#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "run/callback_guard.h"
#include "support/system_library.h"

namespace vantrel {

// The controls of a progress page that hosts the display. The page is its creator's; the
// display only writes into the two controls, and destroys the page when it is closed.
struct ProgressPageControls {
    HWND page = nullptr;
    HWND bar = nullptr;     // a progress bar with the range 0 to 100
    HWND status = nullptr;  // the status line
    // The status line is drawn transparently over the page's picture: its area of the page
    // is redrawn after each change.
    bool transparentStatus = false;
};

// Opens the progress page over `owner` (null when there is no background window). A page
// that cannot be opened returns controls without a page.
using ProgressPageFactory = std::function<ProgressPageControls(HWND owner, CallbackGuard& guard)>;

// Control numbers of the status line and the bar, the same on every progress window.
inline constexpr int kProgressStatusId = 1011;
inline constexpr int kProgressBarId = 1007;

// How long the status line must still stay before the next one may replace it: `delay`
// milliseconds after it last changed at `changedAt` (tick counts, which may wrap).
std::uint32_t StatusDelayLeft(std::uint32_t now, std::uint32_t changedAt, std::uint32_t delay);

// Dispatches every pending message of this thread (the hosted page's keyboard included),
// then rethrows what a guarded window procedure caught. A quit message that nobody here
// asked for is put back for the loop that owns it.
void ServiceWindows(CallbackGuard& guard);

// The percentage and the status line of a running installation or uninstallation: shown in
// the progress page when one is hosted, otherwise in a small panel of its own over the
// background window (or in a small window when there is no background window).
class ProgressDisplay {
  public:
    explicit ProgressDisplay(CallbackGuard& guard) : guard_(guard) {}
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;
    ~ProgressDisplay() { Close(); }

    // Shows the display in a page; the last status and percentage are carried over.
    void ShowOnPage(const ProgressPageControls& controls);
    // Shows it in controls of its own: on `background` when given, else in a window of its
    // own captioned `caption`.
    void ShowOwnControls(HINSTANCE instance, HWND background, const std::wstring& caption);
    // Hides the display (and destroys the page or its own controls).
    void Close();
    bool Shown() const { return controls_.status != nullptr || controls_.bar != nullptr; }

    void SetStatus(const std::wstring& text);
    void SetPercent(int percent);
    // Waits, serving the windows every 50 ms, until the status line has stayed `delayMs`.
    void WaitForStatusDelay(std::uint32_t delayMs);

    const std::wstring& Status() const { return status_; }
    int Percent() const { return percent_; }
    // The hosted page or the display's own window.
    HWND Window() const { return controls_.page; }

  private:
    void Service() { ServiceWindows(guard_); }

    CallbackGuard& guard_;
    UniqueLibrary commonControls_;  // declared first: it goes after the controls
    ProgressPageControls controls_;
    bool ownControls_ = false;
    HWND ownWindow_ = nullptr;  // the window of its own, when there is no background
    HFONT font_ = nullptr;
    std::wstring status_;
    int percent_ = 0;
    std::uint32_t statusChangedAt_ = GetTickCount();
};

}  // namespace vantrel
