#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace vantrel {

// Reads exactly `size` bytes at `offset` of an open file (in pieces, so any size works);
// false when they cannot all be read.
bool ReadFileAt(HANDLE file, std::uint64_t offset, void* out, std::size_t size);

}  // namespace vantrel
