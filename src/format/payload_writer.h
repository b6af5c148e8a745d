#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "format/file_record.h"
#include "format/settings.h"

namespace vantrel {

// One file to put into a payload: its record and a way to read its bytes when the writer
// gets to it (so a large product is never held in memory whole).
struct PayloadFileInput {
    FileRecord record;
    std::uint64_t size = 0;
    std::function<Bytes()> readData;  // returns exactly `size` bytes or throws
};

struct PayloadWriteOptions {
    std::uint32_t productFlags2 = 0;  // kEnciphered is set when cipherKey is given
    std::optional<std::array<std::uint8_t, 8>> cipherKey;
    std::uint32_t xzPreset = 6;        // data blocks are compressed when the settings say so
    std::size_t blockSize = 8u << 20;  // decoded bytes per data block (at least one item each)
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// A written payload: the section bytes, and (when settings.dataInFile is set) the data area
// that goes after the section to the end of the file instead of inside it.
struct PayloadImage {
    Bytes section;
    Bytes trailingData;
    std::size_t fileCheckOffset = 0;  // offset of the header's file-check word in `section`
};

// Writes header, settings and data area. The header's file check is 0; the caller patches
// it at fileCheckOffset once the program file around the section is laid out.
PayloadImage WritePayload(const Settings& settings, const std::vector<PayloadFileInput>& files,
                          const PayloadWriteOptions& options);

}  // namespace vantrel
