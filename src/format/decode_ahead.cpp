#include "format/decode_ahead.h"

#include <utility>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/xz_codec.h"

namespace vantrel {

struct DecodeAheadBlocks::Slot {
    DecodedBlock block;
    std::uint32_t check = 0;
    bool started = false;  // a job works on `block` until it has been waited for
    std::uint64_t ticket = 0;
};

int BlockDecoding::Decode(std::vector<std::uint8_t>& block) const {
    // A block whose deciphered length field is impossible cannot decode to anything sound.
    if (cipher != nullptr && !DecipherBuffer(block, *cipher))
        return payload_error::kBlockDecode;
    if (compressed && !XzDecode(block))
        return payload_error::kBlockDecode;
    return 0;
}

DecodeAheadBlocks::DecodeAheadBlocks(DataAreaSource& source, BlockDecoding decoding, JobRunner& runner,
                                     std::size_t depth)
    : source_(source),
      decoding_(decoding),
      runner_(runner),
      depth_(depth == 0 ? 1 : depth),
      remaining_(source.Length()) {}

DecodeAheadBlocks::~DecodeAheadBlocks() {
    // Jobs still write into their slots: let them finish before the slots go.
    for (const auto& slot : ahead_) {
        if (slot->started)
            runner_.Wait(slot->ticket);
    }
}

std::unique_ptr<DecodeAheadBlocks::Slot> DecodeAheadBlocks::ReadStored() {
    auto slot = std::make_unique<Slot>();
    auto fail = [&](int code) {
        slot->block.errorCode = code;
        readingEnded_ = true;
        return std::move(slot);
    };
    // Size and check must both be there before a block can be.
    if (remaining_ < 8)
        return fail(payload_error::kBlockBeyondArea);
    std::uint8_t head[8];
    if (!source_.ReadNext(head, 8))
        return fail(kDataAreaReadFailed);
    remaining_ -= 8;
    const auto storedSize = static_cast<std::int32_t>(LoadU32(head));
    slot->check = LoadU32(head + 4);
    if (storedSize <= 0)
        return fail(payload_error::kBlockSize);
    if (static_cast<std::uint64_t>(storedSize) > remaining_)
        return fail(payload_error::kBlockBeyondArea);
    slot->block.bytes.resize(static_cast<std::size_t>(storedSize));
    if (!source_.ReadNext(slot->block.bytes.data(), slot->block.bytes.size()))
        return fail(kDataAreaReadFailed);
    remaining_ -= slot->block.bytes.size();
    slot->block.areaEnd = source_.Length() - remaining_;
    return slot;
}

void DecodeAheadBlocks::FillAhead() {
    // Decoded on this thread, a block read early would only be held longer.
    const std::size_t wanted = runner_.RunsAside() ? depth_ : 1;
    while (!readingEnded_ && ahead_.size() < wanted) {
        std::unique_ptr<Slot> slot = ReadStored();
        if (slot->block.errorCode == 0) {
            Slot* target = slot.get();
            const BlockDecoding decoding = decoding_;
            slot->started = true;
            slot->ticket = runner_.Start([target, decoding] {
                DecodedBlock& block = target->block;
                try {
                    if (Checksum(block.bytes) != target->check)
                        block.errorCode = payload_error::kBlockCheck;
                    else
                        block.errorCode = decoding.Decode(block.bytes);
                } catch (...) {
                    // Out of memory while decoding: the block cannot be served.
                    block.errorCode = payload_error::kBlockDecode;
                }
                if (block.errorCode != 0)
                    block.bytes = {};
            });
        }
        ahead_.push_back(std::move(slot));
    }
}

DecodedBlock DecodeAheadBlocks::Take() {
    if (endError_ != 0)
        return DecodedBlock{endError_, {}, consumed_};
    FillAhead();
    std::unique_ptr<Slot> slot = std::move(ahead_.front());
    ahead_.pop_front();
    if (slot->started)
        runner_.Wait(slot->ticket);
    if (slot->block.errorCode != 0) {
        endError_ = slot->block.errorCode;
        return DecodedBlock{endError_, {}, consumed_};
    }
    consumed_ = slot->block.areaEnd;
    // The next block starts decoding while the consumer works on this one.
    if (runner_.RunsAside())
        FillAhead();
    return std::move(slot->block);
}

}  // namespace vantrel
