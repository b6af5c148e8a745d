#pragma once

namespace vantrel {

// True on Windows versions before XP (5.1), where some newer-platform features are off.
bool IsWindowsOlderThanXp();

}  // namespace vantrel
