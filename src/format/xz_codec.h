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
// With `x86Filter` the x86 branch filter goes in front of LZMA2: it turns the relative
// targets of calls and jumps into absolute ones, which repeat, so machine code compresses
// better (and anything else a little worse). The output depends only on the input and the
// arguments. Throws std::runtime_error when the encoder cannot be set up or fails (e.g. an
// invalid preset or out of memory).
std::vector<std::uint8_t> XzEncode(std::span<const std::uint8_t> input, std::uint32_t preset = 6,
                                   bool extreme = false, bool x86Filter = false);

// Whether the bytes look like x86 machine code, enough for the x86 branch filter to pay: a
// call (E8) with a near target (a displacement whose top byte is 00 or FF) at least once in
// every 1,250 bytes. Code has one every few dozen bytes, text and compressed data about one
// in 30,000; measured on blocks of mixed files, blocks above the mark got 1-18% smaller with
// the filter and blocks below it up to 1% larger.
bool LooksLikeX86Code(std::span<const std::uint8_t> bytes);

}  // namespace vantrel
