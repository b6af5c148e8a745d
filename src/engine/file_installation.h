#pragma once

#include "engine/install_run.h"

namespace vantrel {

// The extraction step of the installation: every file record of the data area is installed
// through the file writer (retries, read-back, replacement at restart), its removal records
// go into the uninstall data, and what the later steps need stays in `run.extracted`.
// Returns 0, or the payload error code with which the run must end.
int InstallPayloadFiles(InstallRun& run, ExtractionOutcome& outcome);

}  // namespace vantrel
