#pragma once

#include <cstdint>
#include <string>

#include "format/settings.h"

namespace vantrel {

// The system's own implementations behind the restore-point and restart seams.

// Opens a restore point through srclient (loaded from the system folder) and gives its
// sequence number; false with the error text when the system has none or refuses.
bool CreateSystemRestorePoint(const std::wstring& description, std::int64_t& sequence, std::wstring& error);
// Closes the restore point with that sequence number; false when the system refuses.
bool CommitSystemRestorePoint(std::int64_t sequence);
// Restarts Windows (the shutdown privilege is taken first).
void RestartWindows();
// Starts playing a wave sound held in memory and returns at once; winmm is loaded from the
// system folder and stays loaded while the sound may play. `wave` must outlive the sound.
void PlayStartSound(const Bytes& wave);

}  // namespace vantrel
