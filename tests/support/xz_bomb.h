// A decompression bomb for the readers' tests: little xz that decodes to a great deal.
#pragma once

#include <cstdint>
#include <vector>

#include "format/xz_codec.h"

namespace vantrel::test {

// `prefix` as one .xz stream, followed by concatenated streams of zero bytes that decode
// to about `zeros` more bytes (in steps of 16 MiB). 1 GiB of zeros takes about 160 KB.
inline std::vector<std::uint8_t> XzBomb(std::uint64_t zeros, const std::vector<std::uint8_t>& prefix = {}) {
    constexpr std::size_t kPiece = 16u << 20;
    static const std::vector<std::uint8_t> piece = XzEncode(std::vector<std::uint8_t>(kPiece, 0), 0);
    std::vector<std::uint8_t> bomb = XzEncode(prefix, 0);
    for (std::uint64_t made = 0; made < zeros; made += kPiece)
        bomb.insert(bomb.end(), piece.begin(), piece.end());
    return bomb;
}

}  // namespace vantrel::test
