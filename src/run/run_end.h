#pragma once

namespace vantrel {

// Thrown to end the run: it unwinds to the entry routine, which hands the code to the one
// exit routine. Destructors on the way release what the run held.
struct RunEnd {
    int exitCode;
};

inline constexpr int kExitInstall = 1;    // every end of an install run
inline constexpr int kExitUninstall = 0;  // every end of an uninstall run
inline constexpr int kExitFatalReentry = -1;

}  // namespace vantrel
