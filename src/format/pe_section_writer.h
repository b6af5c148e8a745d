#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/settings.h"

namespace vantrel {

// Returns a copy of the program file `exe` with one more section named `name` (8 bytes,
// zero-padded) holding `sectionData`, placed at the end of the file on a FileAlignment
// boundary and mapped after the last section on a SectionAlignment boundary, as
// initialised, readable data. NumberOfSections, SizeOfImage and SizeOfInitializedData
// are updated. `trailingData` (may be empty) follows the section's data directly, so it
// begins at PointerToRawData + sectionData.size(); the section's SizeOfRawData then
// covers at most the bytes the file really has. `sectionFileOffset` (optional) receives
// the section's PointerToRawData.
// Throws std::invalid_argument for a file that is not a PE image, an empty section, or a
// header without room for one more section-table entry.
Bytes AppendSection(const Bytes& exe, const char name[8], const Bytes& sectionData, const Bytes& trailingData,
                    std::size_t* sectionFileOffset);

// The same layout for data written separately: returns `exe` with the new section-table
// entry, padded to the section's PointerToRawData (so its size is that offset). The file is
// then these bytes, the `sectionSize` bytes of section data, and either the `trailingSize`
// bytes after the section or, when trailingSize is 0, `*paddingAfter` zero bytes that fill
// the section's SizeOfRawData. AppendSection gives the same bytes for the same sizes.
Bytes AppendSectionHeaders(const Bytes& exe, const char name[8], std::uint64_t sectionSize,
                           std::uint64_t trailingSize, std::uint64_t* paddingAfter);

}  // namespace vantrel
