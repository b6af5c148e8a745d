#pragma once

#include <string_view>

namespace vantrel {

// Compares two version texts such as "2.10.3" or "1.2b". Each text is split at "." into
// numeric components; a letter in the text is its letter suffix. Components compare as
// numbers in order; a version that runs out of components first is the lower one; with all
// components equal the suffixes decide by character code (no suffix is lowest).
// Returns a negative number, zero or a positive number.
int VersionCompare(std::string_view left, std::string_view right);

}  // namespace vantrel
