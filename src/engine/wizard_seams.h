#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "engine/install_run.h"

namespace vantrel {

// Checks the folder the user chose on the folder page; may tidy it in place. False shows
// the page again (after the check has said why).
using FolderCheck = std::function<bool(InstallRun& run, std::wstring& folder)>;

// Gives an interactive run its wizard pages. A silent run gets none; an automatic run only the
// must-uninstall question, which turns it interactive. Without `checkFolder` a blank folder
// alone is refused.
void FillWizardPages(InstallRun& run, FolderCheck checkFolder = {});

// The uninstaller's support offer as a page; `text` gives its messages by number.
std::function<bool(const std::wstring& address)> SupportOfferPage(
    std::function<std::wstring(std::size_t)> text);

}  // namespace vantrel
