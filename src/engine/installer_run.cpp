#include "engine/installer_run.h"

#include "engine/payload.h"
#include "run/run_end.h"

namespace vantrel {

int RunInstallation(RunState& run) {
    // The payload stays with the run (run.payload) until the process ends.
    ReadPayload(run);
    // The installation sequence follows the payload once it exists; until then an install
    // run ends here.
    return kExitInstall;
}

}  // namespace vantrel
