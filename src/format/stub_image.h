#pragma once

#include <cstdint>
#include <span>

#include "format/pe_layout.h"
#include "format/settings.h"

namespace vantrel {

// The program file without its payload section, to be written as the uninstaller: the
// bytes before the section's raw data followed by `after` (the bytes the caller read after
// the section), with the headers edited to match: the section count lowered by one,
// SizeOfInitializedData and SizeOfImage lowered by the section's raw size, and every
// section-table entry that followed the payload's moved up one slot with its
// PointerToRawData lowered by the raw size. The freed last slot is cleared.
// Returns an empty buffer when the layout does not fit `before`.
Bytes BuildStubImage(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                     const PeLayout& layout, std::size_t sectionIndex);

}  // namespace vantrel
