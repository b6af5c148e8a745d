#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "format/message_table.h"

namespace vantrel {

class InstallRun;

// What the folder checks need of the run besides the folder itself.
struct FolderCheckContext {
    const MessageTable* messages = nullptr;  // the texts in the chosen language
    std::uint32_t flagsLow = 0;              // the running ProductFlags, low and high word
    std::uint32_t flagsHigh = 0;
    std::uint32_t flags2 = 0;  // ProductFlags2
    // An earlier installation is replaced: its files free their space again, so the free
    // space is not questioned.
    bool existingInstallation = false;
    // The bytes the installation needs on the drive of `folder`; empty: the free space is not
    // checked.
    std::function<std::uint64_t(const std::wstring& folder)> requiredSpace;
    // Asks a Yes/No question (text, caption) and returns true for Yes. Empty when nobody is
    // asked (automatic mode): the checks that are questions then pass.
    std::function<bool(const std::wstring& text, const std::wstring& caption)> askYesNo;
};

// Checks a chosen installation folder the way the folder page needs it: `folder` is trimmed
// in place (blanks, a final backslash), refused when it cannot hold an installation (not a
// valid absolute path, a desktop, Start-menu or profile folder, a missing or unwritable
// drive, a network path where the product forbids it, a drive root, Program Files itself,
// a non-ASCII path where the product allows only ASCII), asked about when the product wants
// it, created when it does not exist, and tried with a temporary file.
//
// Returns nothing when the folder is accepted (and now exists). Otherwise the folder is
// refused and the page is to be shown again: the returned text is the error to show first,
// or empty when nothing is to be shown (an empty folder, a question answered No).
std::optional<std::wstring> CheckInstallFolder(std::wstring& folder, const FolderCheckContext& context);

// The context of the run: its messages and flags, the size the installation needs, and
// its questions through the run's user interface (none in automatic mode).
FolderCheckContext FolderCheckContextOf(InstallRun& run);

// The bytes the run's installation needs on the drive of `folder`: the uninstaller, every
// file of the payload in whole clusters of that drive, and the product's extra size.
std::uint64_t RequiredInstallSpace(const InstallRun& run, const std::wstring& folder);

// A byte count as the installer shows it: "%d bytes" below 1 KiB, then "%.2f KB", "MB",
// "GB" and "TB" in units of 1024.
std::wstring ByteSizeText(std::uint64_t bytes);

}  // namespace vantrel
