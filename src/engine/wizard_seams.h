#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "engine/install_run.h"
#include "ui/progress_display.h"

namespace vantrel {

// Gives an interactive run its wizard pages. A silent run gets none; an automatic run only the
// must-uninstall question, which turns it interactive.
void FillWizardPages(InstallRun& run);

// Makes `openPage` open the run's progress page, and the run's progress updates cancel the
// installation once the page's Cancel question was answered Yes. `openPage` must live as long
// as the run's windows.
void FillProgressPage(InstallRun& run, ProgressPageFactory& openPage);

// The uninstaller's support offer as a page; `text` gives its messages by number. True when
// the user takes the offer.
bool SupportOfferPage(const std::wstring& address, const std::function<std::wstring(std::size_t)>& text);

}  // namespace vantrel
