#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vantrel {

// Progress reporting for XzDecode.
struct XzProgress {
    // Receives the input bytes consumed, the input length and eight times the output bytes
    // produced so far. Returning true aborts the decoding, which then fails.
    std::function<bool(std::uint64_t inputConsumed, std::uint64_t inputLength,
                       std::uint64_t outputTimesEight)>
        callback;
    // Milliseconds on a monotonic clock; empty means std::chrono::steady_clock. Injectable so
    // that the throttling can be tested without waiting.
    std::function<std::uint64_t()> nowMs;
};

// The callback runs only when more than this many milliseconds have passed since its
// previous call; the start of decoding counts as a call.
inline constexpr std::uint64_t kXzProgressIntervalMs = 200;

// Replaces the buffer's contents with the decoding of the one or more concatenated .xz
// streams it holds. Returns false on corrupt, truncated or unrecognised input, on a decoder
// error, when the output would exceed `outputLimit` bytes, or when the progress callback
// asks to abort; the buffer is then empty. The decoder's memory is limited to what a
// dictionary of the largest preset, or of the output limit, needs.
bool XzDecode(std::vector<std::uint8_t>& buffer, std::uint64_t outputLimit,
              const XzProgress* progress = nullptr);

// Compresses the input into a single .xz stream with a CRC64 check (used by the builder).
// The output depends only on the input, preset and extreme flag. Throws std::runtime_error
// when the encoder cannot be set up or fails (e.g. an invalid preset or out of memory).
std::vector<std::uint8_t> XzEncode(std::span<const std::uint8_t> input, std::uint32_t preset = 6,
                                   bool extreme = false);

}  // namespace vantrel
