#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "format/data_area.h"
#include "format/decode_ahead.h"
#include "format/file_record.h"
#include "format/payload_header.h"

namespace vantrel {

// One record as the streaming reader serves it; its data follows through ReadData.
struct StreamedRecord {
    std::size_t index = 0;
    FileRecord record;
    std::uint64_t dataSize = 0;
};

// Receives a record's data in order, in pieces that stay valid only during the call.
using DataPieceSink = std::function<void(std::span<const std::uint8_t> piece)>;

// Serves the file records of a data area in order, with each file's data in pieces straight
// from the decoded blocks, so that no file is ever held whole: memory stays at the blocks in
// flight plus the record fields. Error codes are those of DataAreaWalker. A record's data
// check (100) is known only once its data has gone by, so a consumer that writes while
// reading must keep what it wrote provisional until ReadData returns 0.
class DataAreaReader {
  public:
    DataAreaReader(DecodeAheadBlocks& blocks, const PayloadHeader& header, std::uint64_t areaLength);

    // The next record's fields. Data of the previous record that was not read is read (and
    // checked) here first. `finished` comes after the last record once the area has been
    // used up exactly (80 and 83 otherwise).
    DataAreaStep Next(StreamedRecord& out);

    // Delivers the current record's data to `sink` (may be empty to pass over it), then
    // compares its check: 0, kFileCheck, or the error of a block it needed.
    int ReadData(const DataPieceSink& sink);

    // Called before each block is taken (the engine shows status message 29 there).
    std::function<void()> onBlock;

  private:
    int NextBlock();
    // Appends `count` bytes from the blocks to `into`.
    int Append(std::vector<std::uint8_t>& into, std::size_t count);
    // Passes the current item's next `count` bytes to `piece`: the rest of fields_ first,
    // then straight from the blocks. `piece` may be empty.
    int TakeItemBytes(std::uint64_t count, const DataPieceSink& piece);
    std::size_t BlockLeft() const { return block_.size() - blockOffset_; }

    DecodeAheadBlocks& blocks_;
    const PayloadHeader& header_;
    std::uint64_t areaLength_;
    std::vector<std::uint8_t> block_;
    std::size_t blockOffset_ = 0;
    std::vector<std::uint8_t> fields_;  // the item's first bytes: the record and maybe some data
    std::size_t fieldsUsed_ = 0;        // bytes of fields_ already served
    std::uint64_t itemLeft_ = 0;        // bytes of the item not yet taken from the blocks
    std::uint64_t dataLeft_ = 0;        // 0 once the current record's data has been read
    bool dataPending_ = false;
    std::size_t index_ = 0;
};

}  // namespace vantrel
