// The encoder lives apart from the decoder so that the engine, which only decodes, never
// links liblzma's encoders (more than 100 KB).
#include <array>
#include <stdexcept>
#include <string>

#include <lzma.h>

#include "format/xz_codec.h"
#include "format/xz_stream_guard.h"

namespace vantrel {

std::vector<std::uint8_t> XzEncode(std::span<const std::uint8_t> input, std::uint32_t preset, bool extreme,
                                   bool x86Filter) {
    lzma_stream stream = LZMA_STREAM_INIT;
    const std::uint32_t flags = preset | (extreme ? LZMA_PRESET_EXTREME : 0U);
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, flags)) {
        throw std::runtime_error("XzEncode: no such preset (" + std::to_string(preset) + ")");
    }
    // A dictionary larger than the input holds nothing more: it only costs time and memory,
    // since the encoder allocates and clears match tables sized by it and every decoder
    // allocates it in full. The smallest power of two that holds the input keeps every match.
    if (input.size() < options.dict_size) {
        std::uint32_t dictionary = LZMA_DICT_SIZE_MIN;
        while (dictionary < input.size())
            dictionary <<= 1;
        options.dict_size = dictionary;
    }
    // The x86 branch filter, when asked for, goes in front of LZMA2; the list ends with an
    // unknown id.
    std::array<lzma_filter, 3> chain{};
    std::size_t filters = 0;
    if (x86Filter)
        chain[filters++] = {LZMA_FILTER_X86, nullptr};
    chain[filters++] = {LZMA_FILTER_LZMA2, &options};
    chain[filters] = {LZMA_VLI_UNKNOWN, nullptr};
    lzma_ret ret = lzma_stream_encoder(&stream, chain.data(), LZMA_CHECK_CRC64);
    if (ret != LZMA_OK) {
        throw std::runtime_error("XzEncode: cannot set up the encoder (error " +
                                 std::to_string(static_cast<int>(ret)) + ")");
    }
    StreamGuard guard(stream);

    std::vector<std::uint8_t> result;
    std::array<std::uint8_t, 65536> out{};
    stream.next_in = input.data();
    stream.avail_in = input.size();
    do {
        stream.next_out = out.data();
        stream.avail_out = out.size();
        ret = lzma_code(&stream, LZMA_FINISH);
        if (ret != LZMA_OK && ret != LZMA_STREAM_END) {
            throw std::runtime_error("XzEncode: encoding failed (error " +
                                     std::to_string(static_cast<int>(ret)) + ")");
        }
        result.insert(result.end(), out.data(), stream.next_out);
    } while (ret != LZMA_STREAM_END);
    return result;
}

bool LooksLikeX86Code(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kBytesPerCall = 1250;
    std::size_t calls = 0;
    for (std::size_t at = 0; at + 4 < bytes.size(); ++at) {
        if (bytes[at] == 0xE8 && (bytes[at + 4] == 0x00 || bytes[at + 4] == 0xFF))
            ++calls;
    }
    return bytes.size() >= kBytesPerCall && calls >= bytes.size() / kBytesPerCall;
}

}  // namespace vantrel
