#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "ui/progress_display.h"
#include "ui/wizard_page.h"

namespace vantrel {

// How the progress page is opened for one run.
struct ProgressPageOptions {
    PageLayout layout = PageLayout::kHeader;
    // Bits 0-1: horizontal (1 left, 2 right, 3 centred); bits 3-4: vertical (8 top, 16 bottom,
    // 24 centred); 0 leaves that direction where the template put it.
    std::uint32_t positionCode = 0;
    // Placed against the whole screen (the background window is maximized), else the work area.
    bool againstScreen = false;
    // Cancel stays disabled (an uninstallation, or a run that may not be cancelled).
    bool cancelDisabled = false;
    // The page of an uninstallation: its own title and main text.
    bool uninstall = false;
};

// Where a window of `size` goes inside `area` by the position code; `current` is its place
// now, kept in each direction the code leaves alone.
POINT ProgressPagePlace(std::uint32_t positionCode, const RECT& area, SIZE size, POINT current);

// The answer of the page's Cancel question, read by the run outside the window procedure:
// the procedure only raises the flag, the run cancels at its next progress update.
class ProgressCancelFlag {
  public:
    void Raise() { raised_ = true; }
    bool Raised() const { return raised_; }

  private:
    bool raised_ = false;
};

// Opens the modeless progress page over `owner`, titled message 54 (55 in an uninstallation)
// and saying message 39 (71) as its main text; in the header layout the caption is message
// 65 (55) and the band names the installer and the page. The page asks message 28 under title
// message 20 when Cancel is pressed and raises `cancel` on Yes; while it exists it refuses
// the end of the Windows session. `environment` and `cancel` must outlive the page.
ProgressPageControls OpenProgressPage(const PageEnvironment& environment, const ProgressPageOptions& options,
                                      ProgressCancelFlag& cancel, HWND owner, CallbackGuard& guard);

}  // namespace vantrel
