#pragma once

#include "engine/install_run.h"

namespace vantrel {

// Runs an installation from the language question to the end: requirements, the earlier
// installation, the pages, folders, batches, the data check, extraction, the actions, the
// uninstall data, the log, the reboot and the launch options. Every end goes through
// RunEnd with the install run's exit code.
[[noreturn]] void RunInstallationSequence(InstallRun& run);

// The cancel routine: the cancel notification, message 98 under message 111 (not in
// automatic mode), and the end of the run.
[[noreturn]] void CancelInstallation(InstallRun& run);

}  // namespace vantrel
