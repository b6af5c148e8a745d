#pragma once

#include <array>
#include <cstdint>

namespace vantrel::blowfish_tables {

// The cipher's fixed starting state before any key is mixed in.
extern const std::array<std::uint32_t, 18> kInitialP;
// The four S-boxes, box b at entries 256 * b to 256 * b + 255.
extern const std::array<std::uint32_t, 1024> kInitialS;

}  // namespace vantrel::blowfish_tables
