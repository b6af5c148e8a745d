#include "engine/installer_run.h"

#include "engine/payload.h"
#include "run/run_end.h"

namespace vantrel {

int RunInstallation(RunState& run) {
    const auto payload = std::make_unique<Payload>();
    // The message table lives in the payload: once the payload is gone (also when reading it
    // failed half-way), fatal messages take the built-in texts again.
    struct ForgetMessages {
        RunState& run;
        ~ForgetMessages() { run.messages = nullptr; }
    } forget{run};
    ReadPayload(run, *payload);
    // The installation sequence follows the payload once it exists; until then an install
    // run ends here.
    return kExitInstall;
}

}  // namespace vantrel
