// Bytes that look like x86 machine code, for the tests of the x86 branch filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace vantrel::test {

// Machine code in miniature: short instructions from a small set, and every few dozen bytes a
// call (E8 and a 32-bit displacement) to one of a few routines, so that the displacements
// differ from call to call while the targets repeat.
inline std::vector<std::uint8_t> CallingCode(std::size_t count) {
    std::mt19937 rng(11);
    const std::uint32_t routines[] = {0x1000, 0x2340, 0x5A00, 0x7FF0, 0x9100, 0xC000, 0xD8C4, 0xF004};
    const std::vector<std::vector<std::uint8_t>> instructions = {
        {0x55}, {0x8B, 0xEC}, {0x83, 0xEC, 0x10}, {0x89, 0x45, 0xFC}, {0x5D}, {0xC3}, {0x33, 0xC0}, {0x50}};
    std::vector<std::uint8_t> out;
    out.reserve(count + 8);
    while (out.size() < count) {
        for (int i = 0; i < 8; ++i) {
            const auto& instruction = instructions[rng() % instructions.size()];
            out.insert(out.end(), instruction.begin(), instruction.end());
        }
        const auto displacement =
            static_cast<std::uint32_t>(routines[rng() % std::size(routines)] - (out.size() + 5));
        out.push_back(0xE8);
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(displacement >> shift));
    }
    out.resize(count);
    return out;
}

}  // namespace vantrel::test
