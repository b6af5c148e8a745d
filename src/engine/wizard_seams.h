#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/install_run.h"

namespace vantrel {

// What the folder page takes from the installation's folder checks.
struct FolderPageChecks {
    // Checks (and tidies, in place) the folder chosen on the page: nothing when it is
    // accepted, else the refusal to show before the page comes back (empty: nothing to show).
    std::function<std::optional<std::wstring>(InstallRun& run, std::wstring& folder)> check;
    // The space display (with ProductFlags2 0x400000): the space the installation needs on
    // the drive of a folder, and how a size reads. Without them the page shows no sizes.
    std::function<std::uint64_t(InstallRun& run, const std::wstring& folder)> requiredSpace;
    std::function<std::wstring(std::uint64_t bytes)> sizeText;
};

// Gives an interactive run its wizard pages. A silent run gets none; an automatic run only the
// must-uninstall question, which turns it interactive. Without a check a blank folder alone
// is refused.
void FillWizardPages(InstallRun& run, FolderPageChecks folderChecks = {});

// The uninstaller's support offer as a page; `text` gives its messages by number.
std::function<bool(const std::wstring& address)> SupportOfferPage(
    std::function<std::wstring(std::size_t)> text);

}  // namespace vantrel
