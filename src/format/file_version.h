#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel {

// A file version of four 16-bit numbers packed as major << 48 | minor << 32 | build << 16 |
// revision, the order of a version resource, so packed versions compare as numbers.
// Reads "1.2.3.4"; fewer numbers ("1.2") leave the rest 0. Nothing else is accepted: no
// signs, letters, empty numbers or numbers above 65535. Spaces around the text are ignored.
std::optional<std::uint64_t> ParseFileVersion(std::string_view text);

}  // namespace vantrel
