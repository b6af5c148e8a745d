// An .xz stream that keeps its input in LZMA2's uncompressed chunks, for the harnesses that
// wrap every input so that it gets past the decoder to the readers behind it. Setting up
// the real encoder for each input (hundreds of kilobytes allocated and cleared) took more
// than half of their time; this allocates nothing but the output, and the decoder reads
// such a stream like any other.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <lzma.h>

namespace vantrel::fuzz {

inline std::vector<std::uint8_t> StoredXz(std::span<const std::uint8_t> input) {
    // The output's room comes from the library's own bound, so no step can fail here but
    // for want of memory.
    const auto require = [](bool done) {
        if (!done)
            __builtin_trap();
    };
    std::vector<std::uint8_t> out(lzma_stream_buffer_bound(input.size()));
    lzma_stream_flags flags{};
    flags.check = LZMA_CHECK_CRC64;
    require(lzma_stream_header_encode(&flags, out.data()) == LZMA_OK);
    std::size_t at = LZMA_STREAM_HEADER_SIZE;

    lzma_block block{};
    block.check = flags.check;
    require(lzma_block_uncomp_encode(&block, input.data(), input.size(), out.data(), &at, out.size()) ==
            LZMA_OK);

    lzma_index* index = lzma_index_init(nullptr);
    require(index != nullptr);
    const bool indexWritten = lzma_index_append(index, nullptr, lzma_block_unpadded_size(&block),
                                                block.uncompressed_size) == LZMA_OK &&
                              lzma_index_buffer_encode(index, out.data(), &at, out.size()) == LZMA_OK;
    flags.backward_size = lzma_index_size(index);
    lzma_index_end(index, nullptr);
    require(indexWritten && at + LZMA_STREAM_HEADER_SIZE <= out.size());

    require(lzma_stream_footer_encode(&flags, out.data() + at) == LZMA_OK);
    out.resize(at + LZMA_STREAM_HEADER_SIZE);
    return out;
}

}  // namespace vantrel::fuzz
