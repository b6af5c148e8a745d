#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "format/blowfish.h"
#include "format/data_area.h"
#include "format/job_runner.h"

namespace vantrel {

// One data block as the consumer receives it.
struct DecodedBlock {
    int errorCode = 0;  // a payload error code (or kDataAreaReadFailed): the walk ends here
    std::vector<std::uint8_t> bytes;
    std::uint64_t areaEnd = 0;  // area bytes used up to and including this block
};

// Turns stored block bytes into decoded ones: deciphers (with a cipher) and decompresses
// (when the blocks are compressed). Returns 0 or kBlockDecode. Runs on a worker.
struct BlockDecoding {
    bool compressed = false;  // ProductFlags low bit 0x20
    const Blowfish* cipher = nullptr;
    int Decode(std::vector<std::uint8_t>& block) const;
};

// Serves the data blocks of an area in order while the following blocks are checked and
// decoded ahead by a JobRunner. The stored bytes are read on the calling thread (the source
// is not shared); checksum, deciphering and decompression run as jobs. At most `depth`
// blocks are read ahead and not yet taken, so memory stays at depth + 1 blocks however long
// the area is. An error ends the sequence at the block where it happened: blocks after it
// are never read, and nothing read ahead is reported before the consumer gets there. With a
// runner that decodes inline nothing is decoded before it is asked for, so only the block
// being consumed is held.
class DecodeAheadBlocks {
  public:
    DecodeAheadBlocks(DataAreaSource& source, BlockDecoding decoding, JobRunner& runner, std::size_t depth);
    ~DecodeAheadBlocks();
    DecodeAheadBlocks(const DecodeAheadBlocks&) = delete;
    DecodeAheadBlocks& operator=(const DecodeAheadBlocks&) = delete;

    // The next block (with its error code, if any). Past the end of the area, or after an
    // error, every call returns an error again. Reads and starts the blocks that follow.
    DecodedBlock Take();

    // Area bytes belonging to the blocks taken so far.
    std::uint64_t Consumed() const { return consumed_; }

  private:
    struct Slot;
    void FillAhead();
    std::unique_ptr<Slot> ReadStored();

    DataAreaSource& source_;
    BlockDecoding decoding_;
    JobRunner& runner_;
    std::size_t depth_;
    std::uint64_t remaining_;
    std::uint64_t consumed_ = 0;
    bool readingEnded_ = false;
    int endError_ = 0;  // returned once the slots are used up
    std::deque<std::unique_ptr<Slot>> ahead_;
};

}  // namespace vantrel
