#pragma once

#include "engine/install_seams.h"

namespace vantrel {

class InstallSession;

// Plugs the installation actions into the sequence's action steps: the conditional
// deletions before the extraction; the fonts, MSI packages and control-panel applets the
// extraction hands over as it writes them; then, after the extraction, the shared-file
// counts, the COM servers, type libraries and drivers, the shortcuts and taskbar pin, the
// registry entries, the file associations, the firewall exceptions and the product
// registration. Each step takes what it needs from the run and leaves what the uninstaller
// must undo in the run's uninstall data; the steps share a small state of their own (the
// SharedFiles text, the desktop folder prepared once). The file extraction itself
// (`extractFiles`) is left as it is.
void FillInstallActions(ActionSeams& actions);

// %DesktopShortcuts%: the product's desktop folder (when it has one) on the desktop of the
// shortcut mode; chosen at the start, so that the batches see it too.
void ChooseDesktopShortcutFolder(InstallSession& session);

}  // namespace vantrel
