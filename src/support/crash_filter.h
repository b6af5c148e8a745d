#pragma once

namespace vantrel {

// Installs the process-wide unhandled-exception filter. The crash report itself arrives
// later; today the hook point only keeps the order of start-up.
void InstallCrashFilter();

}  // namespace vantrel
