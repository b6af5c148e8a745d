#pragma once

#include <cstdio>
#include <filesystem>

namespace vantrel::builder {

// Prints what an installer carries (header, settings summary, languages, files) after
// decoding every data block and verifying every checksum. Returns 0 when all is well, 1 when
// the file is damaged or unreadable (the error code and its meaning go to `err`).
int InspectSetup(const std::filesystem::path& path, std::FILE* out, std::FILE* err);

}  // namespace vantrel::builder
