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

// The decoder's own memory is mostly its dictionary. The strongest preset asks for 64 MiB;
// a dictionary larger than the output it may produce is never needed, so anything beyond
// both is refused before it is allocated (a header may ask for up to 4 GiB).
constexpr std::uint64_t kLargestPresetDictionary = 64u << 20;
constexpr std::uint64_t kDecoderBookkeeping = 1u << 20;

std::uint64_t SteadyNowMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

bool Decode(std::span<const std::uint8_t> input, std::uint64_t outputLimit, std::vector<std::uint8_t>& result,
            const XzProgress* progress) {
    lzma_stream stream = LZMA_STREAM_INIT;
    const std::uint64_t memoryLimit = std::max(outputLimit, kLargestPresetDictionary) + kDecoderBookkeeping;
    if (lzma_stream_decoder(&stream, memoryLimit, LZMA_CONCATENATED) != LZMA_OK) {
        return false;
    }
    StreamGuard guard(stream);

    const bool reporting = progress != nullptr && progress->callback;
    const auto now = [progress]() { return progress->nowMs ? progress->nowMs() : SteadyNowMs(); };
    std::uint64_t lastReport = reporting ? now() : 0;

    result.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(std::uint64_t{input.size()} * 3 + 1024, outputLimit)));
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
        // More output than the caller can expect is damage (or a bomb), not data.
        if (stream.total_out > outputLimit) {
            return false;
        }

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

bool XzDecode(std::vector<std::uint8_t>& buffer, std::uint64_t outputLimit, const XzProgress* progress) {
    std::vector<std::uint8_t> result;
    if (!Decode(buffer, outputLimit, result, progress)) {
        buffer.clear();
        return false;
    }
    buffer = std::move(result);
    return true;
}

}  // namespace vantrel
