#pragma once

#include <cstdint>
#include <string>

#include "run/run_state.h"
#include "uninstall/uninstall_seams.h"

namespace vantrel {

// What the start-up code needs after an uninstallation.
struct UninstallOutcome {
    bool succeeded = false;  // everything was removed
    std::wstring installDir;
    std::wstring uninstallSubdir;
    std::wstring notifyUrl;
    std::wstring displayName;
    std::wstring displayVersion;
    std::uint64_t session = 0;  // the installation's run stamp (a new one when none was saved)
};

// Uninstalls the product registered under `productName` (its subkey of the Uninstall key).
// A No to the confirmation, or a cancel while a program is still running, ends the run with
// exit code 1 (RunEnd).
UninstallOutcome RunUninstaller(RunState& run, const std::wstring& productName,
                                const UninstallSeams& seams = {});

// The subkey of HKEY_LOCAL_MACHINE that holds a product's uninstall information.
std::wstring ProductUninstallKeyPath(const std::wstring& productName);

}  // namespace vantrel
