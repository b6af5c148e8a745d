#include "engine/install_run.h"

namespace vantrel {

InstallRun::InstallRun(RunState& runState, Payload& runPayload, InstallSeams& runSeams)
    : state(runState),
      payload(runPayload),
      seams(runSeams),
      session(runPayload.settings, runState.options, *runState.ui) {}

}  // namespace vantrel
