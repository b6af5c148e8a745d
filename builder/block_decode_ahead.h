#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "format/blowfish.h"
#include "format/ordered_work_pool.h"

namespace vantrel::builder {

// Decodes a data area's blocks ahead of a DataAreaWalker on several threads. It scans the
// area held in memory for stored blocks (size, check, bytes), hands the next few to a pool
// of workers, and gives them to the walker in order through Decode, its decodeBlock hook.
// The walker still reads and checks every block itself; a block the scan did not reach
// (a damaged area) is decoded on the walker's thread, so every error code stays the same.
// At most two blocks per thread are held decoded.
class BlockDecodeAhead {
  public:
    BlockDecodeAhead(std::span<const std::uint8_t> area, bool compressed, const Blowfish* cipher,
                     unsigned threads);

    // The walker's decodeBlock hook.
    bool Decode(std::vector<std::uint8_t>& block);

  private:
    void SubmitMore();

    std::span<const std::uint8_t> area_;
    bool compressed_;
    const Blowfish* cipher_;
    std::size_t scanned_ = 0;  // offset of the next block to scan
    bool scanEnded_ = false;   // the scan reached the end or a block it cannot take
    bool inStep_ = true;       // false once the walker asked for a block out of turn
    std::deque<std::span<const std::uint8_t>> submitted_;             // stored bytes, in area order
    OrderedWorkPool<std::optional<std::vector<std::uint8_t>>> pool_;  // last: stops first
};

}  // namespace vantrel::builder
