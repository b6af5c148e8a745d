#pragma once

#include <functional>
#include <string>

#include "actions/shortcuts.h"
#include "engine/install_run.h"

namespace vantrel {

// The action steps of an installation, each adapting the run to one action's parameters.
// Declared here for the files that hold them; FillInstallActions is their only caller.

// What one run's steps hand on to each other.
struct ActionCarry {
    // The SharedFiles text of the registration: the earlier installation's, extended by the
    // shared-file step when it runs.
    std::string sharedFiles;
    bool sharedFilesTaken = false;  // sharedFiles holds the earlier text (or more)
    ShortcutRunState shortcuts;
};

// %Portable% of the chosen installation folder.
bool InstallsPortable(const InstallRun& run);
// The progress window's status line; nothing without a progress display.
void ShowActionStatus(InstallRun& run, const std::wstring& text);
// Message `number` on the status line.
void ShowActionStatusMessage(InstallRun& run, std::size_t number);
// Installer variables of the run, expanded in place.
std::function<void(std::wstring&)> RunExpander(const InstallRun& run);
// The earlier installation's SharedFiles text (8-bit), taken once into the carry.
std::string& SharedFilesText(const InstallRun& run, ActionCarry& carry);

void RunShortcutStep(InstallRun& run, ActionCarry& carry);
void RunRegistryEntriesStep(InstallRun& run);
void RunAssociationStep(InstallRun& run);
void RunFirewallStep(InstallRun& run);
void RunRegistrationStep(InstallRun& run, ActionCarry& carry);

}  // namespace vantrel
