#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "format/file_record.h"
#include "format/payload_header.h"
#include "format/settings.h"

namespace vantrel {

class Blowfish;

// Fills `out` with a file's next bytes, exactly out.size() of them, or throws.
using PayloadDataReader = std::function<void(std::span<std::uint8_t> out)>;

// Receives the data area piece by piece, in order.
using PayloadDataSink = std::function<void(std::span<const std::uint8_t> bytes)>;

// One file to put into a payload: its record and a way to read its bytes when the writer
// gets to it (so a large product is never held in memory whole).
struct PayloadFileInput {
    FileRecord record;
    std::uint64_t size = 0;
    // Opens the data for reading in pieces as data blocks fill up, so that a file larger
    // than a block is never held whole. Called once, when the writer reaches the file.
    std::function<PayloadDataReader()> openData;
    // The whole data at once; used when openData is empty. Returns exactly `size` bytes or
    // throws.
    std::function<Bytes()> readData;
};

struct PayloadWriteOptions {
    std::uint32_t productFlags2 = 0;  // kEnciphered is set when cipherKey is given
    std::optional<std::array<std::uint8_t, 8>> cipherKey;
    std::uint32_t xzPreset = 6;  // data blocks are compressed when the settings say so
    // Decoded bytes per data block. A block is closed before an item that would take it past
    // this size; an item larger than a block starts a block of its own and is spread over
    // blocks of exactly this size, so no block (and no reader's buffer) grows beyond it.
    std::size_t blockSize = 8u << 20;
    // Threads compressing data blocks. Blocks are still written in order, so the output does
    // not depend on this; memory grows by about two blocks (and one encoder) per thread.
    unsigned threads = 1;
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// A written payload: the section bytes, and (when settings.dataInFile is set) the data area
// that goes after the section to the end of the file instead of inside it.
struct PayloadImage {
    Bytes section;
    Bytes trailingData;
    std::size_t fileCheckOffset = 0;  // offset of the header's file-check word in `section`
};

// Writes header, settings and data area. The header's file check is 0; the caller patches
// it at fileCheckOffset once the program file around the section is laid out.
PayloadImage WritePayload(const Settings& settings, const std::vector<PayloadFileInput>& files,
                          const PayloadWriteOptions& options);

// The same payload with the data area streamed instead of kept. The header and settings
// block are prepared first: their size does not depend on the data bytes, only the data
// size, data check and data end do, and those are summed while the data area goes to the
// sink block by block. Memory stays at about one block plus the settings.
class PayloadWriter {
  public:
    // Encodes the settings and checks the file sizes. `files` must outlive the writer.
    // Throws std::length_error for a file above 0x40000000 bytes or settings above
    // 0x31FFFFF, std::invalid_argument for inconsistent options.
    PayloadWriter(const Settings& settings, const std::vector<PayloadFileInput>& files,
                  const PayloadWriteOptions& options);
    ~PayloadWriter();
    PayloadWriter(const PayloadWriter&) = delete;
    PayloadWriter& operator=(const PayloadWriter&) = delete;

    // Bytes of the section before the data area: the header and the settings block.
    std::size_t HeadSize() const { return header_.length + settingsBlock_.size(); }
    // Offset of the header's file-check word in the section head.
    std::size_t FileCheckOffset() const { return header_.FileCheckOffset(); }

    // Hands the data area to `sink` and returns the section head with the data fields filled
    // in (file check 0). The data area follows the head directly: inside the section, or
    // after it when the settings put the data in the file. Call once.
    Bytes WriteDataArea(const PayloadDataSink& sink);

  private:
    const std::vector<PayloadFileInput>& files_;
    PayloadWriteOptions options_;
    bool compress_;
    PayloadHeader header_;
    Bytes settingsBlock_;
    std::unique_ptr<Blowfish> cipher_;
    std::uint64_t total_ = 0;
};

}  // namespace vantrel
