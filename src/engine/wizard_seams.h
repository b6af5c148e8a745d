#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "engine/install_run.h"

namespace vantrel {

// Gives an interactive run its wizard pages. A silent run gets none; an automatic run only the
// must-uninstall question, which turns it interactive.
void FillWizardPages(InstallRun& run);

// The uninstaller's support offer as a page; `text` gives its messages by number. True when
// the user takes the offer.
bool SupportOfferPage(const std::wstring& address, const std::function<std::wstring(std::size_t)>& text);

}  // namespace vantrel
