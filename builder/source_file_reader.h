#pragma once

#include <cstdint>
#include <filesystem>

#include "format/payload_writer.h"

namespace vantrel::builder {

// Opens a product file for the payload writer, which reads it in pieces as data blocks fill
// up. The reader throws BuildError when the file cannot be opened or read, or when it no
// longer has exactly `size` bytes (it changed after the project was scanned).
PayloadDataReader OpenSourceFile(const std::filesystem::path& path, std::uint64_t size);

}  // namespace vantrel::builder
