#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/install_seams.h"
#include "run/callback_guard.h"
#include "ui/background_window.h"
#include "ui/progress_display.h"
#include "uninstall/uninstall_seams.h"

namespace vantrel {

struct Payload;
struct RunState;

// The windows a person sees while a run works: the background window and the progress
// display. The seams filled below refer to this object; it must outlive their use. When it
// goes, the progress display closes and the background window is minimized and destroyed.
class RunWindows {
  public:
    explicit RunWindows(HINSTANCE instance) : instance_(instance), display_(guard_) {}
    RunWindows(const RunWindows&) = delete;
    RunWindows& operator=(const RunWindows&) = delete;
    ~RunWindows();

    // The parent of the pages; null without a background window.
    HWND Background() const { return background_ ? background_->Handle() : nullptr; }
    // Draws the background again (the language page calls it after a change of language).
    void RepaintBackground();
    ProgressDisplay& Display() { return display_; }
    // Serves the windows; rethrows what one of their procedures caught.
    void Service() { ServiceWindows(guard_); }

    void ShowBackground(const BackgroundPlacement& placement, BackgroundLook look);
    void BringBackgroundToFront();
    // The page from `openPage` when there is one, else the display's own controls.
    void OpenProgress(const ProgressPageFactory& openPage, const std::wstring& caption);

  private:
    HINSTANCE instance_;
    CallbackGuard guard_;
    std::unique_ptr<BackgroundWindow> background_;
    ProgressDisplay display_;
};

// The installer's windows: the background window now (unless the product has none or the
// run is silent), and `progress` filled to show the progress page from `openPage` (or the
// display's own controls when it is empty).
std::unique_ptr<RunWindows> AddInstallerWindows(RunState& run, const Payload& payload,
                                                ProgressSeams& progress,
                                                const ProgressPageFactory& openPage = {});

// The uninstaller's windows: its background, and its progress shown in the progress page
// (the display's own controls when the page cannot open); nothing in a silent run.
std::unique_ptr<RunWindows> AddUninstallWindows(RunState& run, UninstallSeams& seams);

// How the background looks, from the installer's settings and from what the product key kept.
BackgroundLook LookFromSettings(const Settings& settings);
BackgroundLook LookFromAppearance(const UninstallAppearance& appearance, const std::wstring& uninstallFolder);

}  // namespace vantrel
