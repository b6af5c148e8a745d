#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "format/message_table.h"
#include "ui/wizard_page.h"

namespace vantrel {

// The pages of the installation wizard. Each is modal over the background window and returns
// what the user chose; `pageStyle` is the product's layout number for the page.

// Lists the languages and selects the system's own (else "English", else the first); the
// choice takes effect at once, so the page and the background change language while the
// user looks. False when cancelled.
bool ShowLanguagePage(const PageEnvironment& environment, std::uint32_t pageStyle, MessageTable& messages);

// The start page (layout 1, 2 or 3; layout 0 is a plain question the caller asks) with the
// link to the product's address. False when cancelled.
bool ShowStartPage(const PageEnvironment& environment, std::uint32_t pageStyle, const std::wstring& linkText,
                   const std::wstring& linkAddress);

// Asks for the installation password until it is typed right (compared as 8-bit text, case
// and all). False when cancelled.
bool ShowPasswordPage(const PageEnvironment& environment, const std::wstring& password);

// A licence or readme text, plain or rich. With `scrollToEnd` Next waits until the text has
// been scrolled to its end. False when cancelled.
enum class TextPageKind { kLicence, kReadme };
bool ShowTextPage(const PageEnvironment& environment, TextPageKind kind, std::uint32_t pageStyle,
                  const std::wstring& text, bool scrollToEnd);

// The installation folder page: `folder` holds the proposal and, after Next, the choice.
struct FolderPageOptions {
    std::size_t nextMessage = 48;     // 48 when the Start-menu page follows, else 90
    bool browseFromComputer = false;  // the browser starts at the computer folder
    // The space display: the space the installation takes on the drive of a folder, and how a
    // size reads. Shown only when both are given.
    std::function<std::uint64_t(const std::wstring& folder)> requiredSpace;
    std::function<std::wstring(std::uint64_t bytes)> sizeText;
};
bool ShowFolderPage(const PageEnvironment& environment, std::uint32_t pageStyle,
                    const FolderPageOptions& options, std::wstring& folder);

// The Start-menu folder page: `name` holds the proposal and, after Next, the choice.
bool ShowStartMenuPage(const PageEnvironment& environment, std::uint32_t pageStyle, bool allUsers,
                       std::wstring& name);
// Whether a Start-menu folder name can be taken (no reserved characters, no leading or
// doubled backslash).
bool IsStartMenuNameAllowed(const std::wstring& name);

// The finish page's four options: which exist, which start checked, and what was chosen.
struct FinishChoice {
    bool offered = false;
    bool checked = false;
};
struct FinishChoices {
    FinishChoice openSecondItem;
    FinishChoice openItem;
    FinishChoice launchApplication;
    FinishChoice viewLog;
};
// Shows the page; `choices` holds the chosen states afterwards (all clear when the page
// was closed instead of confirmed).
void ShowFinishPage(const PageEnvironment& environment, std::uint32_t pageStyle, FinishChoices& choices);

// The request to uninstall the earlier installation first; true when the user agrees.
bool ShowMustUninstallQuestion(const PageEnvironment& environment);
// The uninstaller's offer of support before removing anything; true when the user takes it.
bool ShowSupportOfferQuestion(const PageEnvironment& environment);

}  // namespace vantrel
