#pragma once

#include "run/run_state.h"
#include "uninstall/uninstall_seams.h"

namespace vantrel {

// The steps of an uninstallation that other subsystems carry out, filled with their real
// implementations for this run: the uninstall batches, the associations, fonts, taskbar
// pins, registry script and firewall exceptions, the notifications and the restart. The
// window steps (background, progress, support offer) stay empty here: their owners fill
// them into the same seams before the run starts. The notification sender is made here and
// stopped by one of the run's exit steps, so it gets its bounded chance to send however the
// run ends. The cancellation notification stays empty: the product key keeps no address
// for it, only the one for a finished uninstallation.
UninstallSeams UninstallActionSeams(RunState& run);

}  // namespace vantrel
