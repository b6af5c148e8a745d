// The encoder lives apart from the decoder so that the engine, which only decodes, never
// links liblzma's encoders (more than 100 KB).
#include <array>
#include <stdexcept>
#include <string>

#include <lzma.h>

#include "format/xz_codec.h"
#include "format/xz_stream_guard.h"

namespace vantrel {

std::vector<std::uint8_t> XzEncode(std::span<const std::uint8_t> input, std::uint32_t preset, bool extreme) {
    lzma_stream stream = LZMA_STREAM_INIT;
    const std::uint32_t flags = preset | (extreme ? LZMA_PRESET_EXTREME : 0U);
    lzma_ret ret = lzma_easy_encoder(&stream, flags, LZMA_CHECK_CRC64);
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

}  // namespace vantrel
