#include "engine/installer_run.h"

#include "engine/payload_section.h"
#include "engine/run_end.h"

namespace vantrel {

int RunInstallation(RunState& run) {
    PayloadSection payload = LocatePayloadSection(run);
    (void)payload;
    return kExitInstall;
}

}  // namespace vantrel
