// The PE layout reader, where a data area after the section ends, and the uninstaller's
// stub image, over a program file in memory.
#include <algorithm>

#include "format/pe_layout.h"
#include "format/stub_image.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PeLookup lookup = ReadPeLayout(data, size);
    if (lookup.errorCode != 0 || !lookup.payloadIndex)
        return 0;
    const PeSection& section = lookup.layout.sections.at(*lookup.payloadIndex);
    DataAreaFileEnd(lookup.layout, size, section.pointerToRawData, section.sizeOfRawData);
    // The engine reads these two parts from its file; a part that is not there fails the read.
    if (section.pointerToRawData > size)
        return 0;
    const std::uint64_t rawEnd = std::uint64_t{section.pointerToRawData} + section.sizeOfRawData;
    const std::span<const std::uint8_t> before(data, section.pointerToRawData);
    const std::span<const std::uint8_t> after =
        rawEnd < size ? std::span<const std::uint8_t>(data + rawEnd, size - rawEnd)
                      : std::span<const std::uint8_t>();
    const Bytes image = BuildStubImage(before, after, lookup.layout, *lookup.payloadIndex);
    if (!image.empty()) {
        // The stub is itself a program file the engine may read again (the uninstaller).
        ReadPeLayout(image.data(), image.size());
    }
    return 0;
}
