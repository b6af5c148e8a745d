#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantrel {

// Writes a small file in one go (created or replaced). On failure nothing is left under the
// name and the system error code stays in place.
bool WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes);

}  // namespace vantrel
