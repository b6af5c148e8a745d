#include "builder/block_decode_ahead.h"

#include <algorithm>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"

namespace vantrel::builder {

BlockDecodeAhead::BlockDecodeAhead(std::span<const std::uint8_t> area, bool compressed,
                                   const Blowfish* cipher, unsigned threads)
    : area_(area), compressed_(compressed), cipher_(cipher), pool_(threads) {}

void BlockDecodeAhead::SubmitMore() {
    while (!scanEnded_ && pool_.InFlight() < 2 * static_cast<std::size_t>(pool_.Workers())) {
        const std::size_t left = area_.size() - scanned_;
        if (left < 8) {
            scanEnded_ = true;
            return;
        }
        const auto size = static_cast<std::int32_t>(LoadU32(area_.data() + scanned_));
        const std::uint32_t check = LoadU32(area_.data() + scanned_ + 4);
        if (size <= 0 || static_cast<std::size_t>(size) > left - 8) {
            scanEnded_ = true;
            return;
        }
        const std::span<const std::uint8_t> stored =
            area_.subspan(scanned_ + 8, static_cast<std::size_t>(size));
        // A block that fails its check is the walker's to report; nothing is decoded past it.
        if (Checksum(stored) != check) {
            scanEnded_ = true;
            return;
        }
        scanned_ += 8 + stored.size();
        submitted_.push_back(stored);
        pool_.Submit([stored, compressed = compressed_, cipher = cipher_] {
            std::vector<std::uint8_t> block(stored.begin(), stored.end());
            return DecodeStoredBlock(block, compressed, cipher) ? std::optional(std::move(block))
                                                                : std::nullopt;
        });
    }
}

bool BlockDecodeAhead::Decode(std::vector<std::uint8_t>& block) {
    if (inStep_) {
        SubmitMore();
        if (!submitted_.empty() && submitted_.front().size() == block.size() &&
            std::equal(block.begin(), block.end(), submitted_.front().begin())) {
            submitted_.pop_front();
            std::optional<std::vector<std::uint8_t>> decoded = pool_.TakeNext();
            SubmitMore();
            if (!decoded)
                return false;
            block = std::move(*decoded);
            return true;
        }
        // Not the block the scan expected: from here on the walker decodes by itself.
        inStep_ = false;
    }
    return DecodeStoredBlock(block, compressed_, cipher_);
}

}  // namespace vantrel::builder
