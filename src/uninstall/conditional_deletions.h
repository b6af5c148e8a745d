#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/uninstall_data_file.h"

namespace vantrel {

class FailureList;
class InstallLog;

enum class DeletionPhase { kInstallation, kUninstallation };

// What the conditional deletions need from the run.
struct ConditionalDeletionContext {
    DeletionPhase phase = DeletionPhase::kInstallation;
    std::wstring installDir;                    // relative patterns are taken from here
    std::function<void(std::wstring&)> expand;  // installer variables; none leaves the text
    // Ends the run because the payload is damaged (error 65 for a version value that is no
    // version). If it returns, the deletions stop there.
    std::function<void(int errorCode)> corruptPayload;
    InstallLog* log = nullptr;        // installation only
    FailureList* failures = nullptr;  // installation only
    // Set when a deletion was registered for the next restart: the caller marks the restart
    // as needed (ProductFlags low bit 0x4000 during installation, bit 45 during uninstallation).
    bool restartNeeded = false;
};

namespace deletion_flags {
inline constexpr std::uint8_t kOnlyAtRestart = 0x1;
inline constexpr std::uint8_t kAtRestartIfLocked = 0x2;
inline constexpr std::uint8_t kAtInstallation = 0x4;
inline constexpr std::uint8_t kAtUninstallation = 0x8;
}  // namespace deletion_flags

// Runs the deletions that apply to the phase: each pattern ("*" and "?" in its last
// component) names files in one folder; a file is deleted when its condition holds
// (0 always; 1-3 file version equal / at least / at most; 4-6 size equal / at least / at
// most). During uninstallation a record with no failure leaves the list, so that only
// unfinished ones are written back; a pattern that climbs out with ".." counts as a failure.
// Returns the number of failures.
int RunConditionalDeletions(ConditionalDeletionContext& context, std::vector<FileDeletion>& deletions);

}  // namespace vantrel
