#pragma once

#include <string>

#include "run/run_state.h"

namespace vantrel {

// Uninstalls the product registered under `productName`; true when it was removed cleanly.
bool RunUninstaller(RunState& run, const std::wstring& productName);

}  // namespace vantrel
