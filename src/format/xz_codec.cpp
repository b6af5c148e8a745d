#include "format/xz_codec.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

#include <lzma.h>

#include "format/xz_stream_guard.h"

namespace vantrel {

namespace {

// Input is handed to the decoder, and output collected from it, in pieces of this size.
constexpr std::size_t kPieceSize = 16384;

std::uint64_t SteadyNowMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

bool Decode(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& result,
            const XzProgress* progress) {
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
        return false;
    }
    StreamGuard guard(stream);

    const bool reporting = progress != nullptr && progress->callback;
    const auto now = [progress]() { return progress->nowMs ? progress->nowMs() : SteadyNowMs(); };
    std::uint64_t lastReport = reporting ? now() : 0;

    result.reserve(input.size() * 3 + 1024);
    std::array<std::uint8_t, kPieceSize> out{};
    stream.next_out = out.data();
    stream.avail_out = out.size();

    std::size_t fed = 0;
    lzma_action action = input.empty() ? LZMA_FINISH : LZMA_RUN;
    for (;;) {
        if (stream.avail_in == 0 && fed < input.size()) {
            const std::size_t piece = std::min(kPieceSize, input.size() - fed);
            stream.next_in = input.data() + fed;
            stream.avail_in = piece;
            fed += piece;
            if (fed == input.size()) {
                action = LZMA_FINISH;
            }
        }

        const lzma_ret ret = lzma_code(&stream, action);

        if (stream.avail_out == 0 || ret == LZMA_STREAM_END) {
            result.insert(result.end(), out.data(), stream.next_out);
            stream.next_out = out.data();
            stream.avail_out = out.size();
        }
        if (ret == LZMA_STREAM_END) {
            return true;
        }
        // Memory, format, data, buffer and program errors, and an options error, all end
        // the decoding; no other result is possible with the flags used here.
        if (ret != LZMA_OK) {
            return false;
        }

        if (reporting) {
            const std::uint64_t current = now();
            if (current >= lastReport && current - lastReport > kXzProgressIntervalMs) {
                lastReport = current;
                if (progress->callback(stream.total_in, input.size(), stream.total_out * 8)) {
                    return false;
                }
            }
        }
    }
}

}  // namespace

bool XzDecode(std::vector<std::uint8_t>& buffer, const XzProgress* progress) {
    std::vector<std::uint8_t> result;
    if (!Decode(buffer, result, progress)) {
        buffer.clear();
        return false;
    }
    buffer = std::move(result);
    return true;
}

}  // namespace vantrel
