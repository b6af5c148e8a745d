#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "format/blowfish.h"
#include "format/file_record.h"
#include "format/payload_error_codes.h"
#include "format/payload_header.h"

namespace vantrel {

// Not a payload error code: the source could not supply bytes (a file read failed).
inline constexpr int kDataAreaReadFailed = -2;
// Not a payload error code: the bytes given end inside a record's fields.
inline constexpr int kRecordIncomplete = -3;

// The most decoded bytes one data block may hold: the largest block size the writer takes.
inline constexpr std::uint64_t kMaxDataBlockSize = 256u << 20;
// What one item may hold besides its file's data: its length, the record with its texts and
// the data check. Paths end at 32767 characters, so even six texts that long fit.
inline constexpr std::uint64_t kMaxItemOverhead = 1u << 20;

// The decoded bytes all data blocks together may hold: the header's file sizes plus
// kMaxItemOverhead per record.
std::uint64_t DecodedBytesAllowed(const PayloadHeader& header);

// Where the data area's bytes come from: the mapped section, or the program file read piece
// by piece. The whole area is never needed in memory at once.
class DataAreaSource {
  public:
    virtual ~DataAreaSource() = default;
    virtual std::uint64_t Length() const = 0;
    // Copies the next n bytes to `out`; false when they cannot all be read.
    virtual bool ReadNext(std::uint8_t* out, std::size_t n) = 0;
    // Back to the first byte.
    virtual bool Rewind() = 0;
    // Bytes consumed so far.
    virtual std::uint64_t Position() const = 0;
};

class MemoryDataAreaSource : public DataAreaSource {
  public:
    explicit MemoryDataAreaSource(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint64_t Length() const override { return data_.size(); }
    bool ReadNext(std::uint8_t* out, std::size_t n) override;
    bool Rewind() override {
        offset_ = 0;
        return true;
    }
    std::uint64_t Position() const override { return offset_; }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t offset_ = 0;
};

// Checks the area's length against the header's data size (46) and, in one streaming pass,
// its checksum against the data check (55); rewinds the source afterwards. Returns 0, a
// payload error code, or kDataAreaReadFailed.
int VerifyDataArea(DataAreaSource& source, const PayloadHeader& header);

// A file item's contents: the record, the data, the data's checksum.
std::vector<std::uint8_t> WriteFileItem(const FileRecord& record, std::span<const std::uint8_t> data);

// The start of a file item whose data is `dataSize` bytes: the item length and the record.
// The data and its checksum (u32) follow; this lets a writer pass large data through in
// pieces. Throws std::length_error when the item without its data would exceed
// kMaxItemOverhead.
std::vector<std::uint8_t> WriteFileItemHead(const FileRecord& record, std::uint64_t dataSize);

// One stored data block (size, check, bytes) from decoded block contents: xz-compressed
// when `compress` (behind the x86 branch filter when the contents look like machine code),
// then enciphered when `cipher` is given.
std::vector<std::uint8_t> WriteDataBlock(std::span<const std::uint8_t> decoded, bool compress,
                                         std::uint32_t xzPreset, const Blowfish* cipher);

// The second half of WriteDataBlock, for contents already compressed (or stored as they
// are): enciphered when `cipher` is given, then size and check in front. Throws
// std::invalid_argument when that leaves no bytes to store, std::length_error when more
// than the size field holds.
std::vector<std::uint8_t> SealDataBlock(std::vector<std::uint8_t> contents, const Blowfish* cipher);

// Turns a stored block (its size and check already verified) into its decoded bytes in place:
// deciphered when `cipher` is given, then xz-decoded when `compressed`. False when it does not
// decode.
bool DecodeStoredBlock(std::vector<std::uint8_t>& block, bool compressed, const Blowfish* cipher,
                       std::uint64_t outputLimit = kMaxDataBlockSize);

// Reads fields 1 to 11 of the file record at the start of `item` and sets `used` to their
// length. Returns 0, kEmptyName, kUnknownKind (a kind without a folder and no explicit or
// uninstall-folder destination), or kRecordIncomplete when the bytes end inside the fields:
// a caller holding the whole item reports that as kEmptyName, a caller holding only its
// start reads on.
int ReadFileRecordFields(std::span<const std::uint8_t> item, FileRecord& out, std::size_t& used);

// One record served by the walker. `data` points into the walker's queue and stays valid
// until the next call of Next().
struct DataAreaFile {
    std::size_t index = 0;
    FileRecord record;
    std::span<const std::uint8_t> data;
};

struct DataAreaStep {
    int errorCode = 0;      // a payload error code (or kDataAreaReadFailed) ends the walk
    bool finished = false;  // every record was served and the area was used up exactly
};

// Walks the data blocks and serves the file records in order. Items are taken from a
// first-in first-out queue of decoded bytes; a block is read and decoded only when the
// queue holds no complete item, so at most one decoded block plus the unconsumed rest of
// the previous one is held. Nothing is read outside the area or an item. A block decodes
// to at most kMaxDataBlockSize bytes, and all blocks together to no more than the header's
// file sizes plus kMaxItemOverhead per record; more fails as a block that does not decode.
class DataAreaWalker {
  public:
    // `compressed`: ProductFlags low bit 0x20. `cipher`: given with ProductFlags2 0x1000.
    DataAreaWalker(DataAreaSource& source, const PayloadHeader& header, bool compressed,
                   const Blowfish* cipher);

    DataAreaStep Next(DataAreaFile& out);

    // Called before each block is read (the engine shows status message 29 there).
    std::function<void()> onBlock;
    // Decodes each stored block in its turn, as DecodeStoredBlock does, when set: lets a reader
    // decode blocks ahead on other threads. Called with the blocks in area order.
    std::function<bool(std::vector<std::uint8_t>& block)> decodeBlock;

  private:
    int ReadBlock();
    bool HasCompleteItem() const;
    int ParseItem(std::span<const std::uint8_t> item, DataAreaFile& out) const;

    DataAreaSource& source_;
    const PayloadHeader& header_;
    bool compressed_;
    const Blowfish* cipher_;
    std::uint64_t remaining_;
    std::uint64_t decodeBudget_;  // decoded bytes the records can still take
    std::vector<std::uint8_t> queue_;
    std::size_t head_ = 0;
    std::size_t index_ = 0;
};

}  // namespace vantrel
