#include "format/crc32.h"

#include <lzma.h>

namespace vantrel {

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t previous) {
    return lzma_crc32(static_cast<const std::uint8_t*>(data), size, previous);
}

}  // namespace vantrel
