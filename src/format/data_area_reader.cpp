#include "format/data_area_reader.h"

#include <algorithm>

#include "format/byte_writer.h"
#include "format/checksum.h"

namespace vantrel {
namespace {

// The record fields are read from a first piece of the item of this size, doubled while
// they do not fit; real records need a few hundred bytes.
constexpr std::size_t kFirstFieldsRead = 512;

}  // namespace

DataAreaReader::DataAreaReader(DecodeAheadBlocks& blocks, const PayloadHeader& header,
                               std::uint64_t areaLength)
    : blocks_(blocks), header_(header), areaLength_(areaLength) {}

int DataAreaReader::NextBlock() {
    if (onBlock)
        onBlock();
    DecodedBlock next = blocks_.Take();
    if (next.errorCode != 0)
        return next.errorCode;
    block_ = std::move(next.bytes);
    blockOffset_ = 0;
    return 0;
}

int DataAreaReader::Append(std::vector<std::uint8_t>& into, std::size_t count) {
    while (count > 0) {
        if (BlockLeft() == 0) {
            if (const int error = NextBlock(); error != 0)
                return error;
            continue;
        }
        const std::size_t n = std::min(count, BlockLeft());
        const auto* start = block_.data() + blockOffset_;
        into.insert(into.end(), start, start + n);
        blockOffset_ += n;
        count -= n;
    }
    return 0;
}

int DataAreaReader::TakeItemBytes(std::uint64_t count, const DataPieceSink& piece) {
    if (fieldsUsed_ < fields_.size() && count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, fields_.size() - fieldsUsed_));
        if (piece)
            piece({fields_.data() + fieldsUsed_, n});
        fieldsUsed_ += n;
        count -= n;
    }
    while (count > 0) {
        if (BlockLeft() == 0) {
            if (const int error = NextBlock(); error != 0)
                return error;
            continue;
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, BlockLeft()));
        if (piece)
            piece({block_.data() + blockOffset_, n});
        blockOffset_ += n;
        itemLeft_ -= n;
        count -= n;
    }
    return 0;
}

DataAreaStep DataAreaReader::Next(StreamedRecord& out) {
    DataAreaStep step;
    if (dataPending_) {
        if (const int error = ReadData(nullptr); error != 0) {
            step.errorCode = error;
            return step;
        }
    }
    if (index_ >= header_.FileCount()) {
        if (blocks_.Consumed() != areaLength_)
            step.errorCode = payload_error::kBytesLeftInArea;
        else if (BlockLeft() != 0)
            step.errorCode = payload_error::kDecodedLeftOver;
        else
            step.finished = true;
        return step;
    }

    std::vector<std::uint8_t> lengthField;
    if (const int error = Append(lengthField, 4); error != 0) {
        step.errorCode = error;
        return step;
    }
    const auto itemLength = static_cast<std::int32_t>(LoadU32(lengthField.data()));
    if (itemLength < 0) {
        step.errorCode = payload_error::kDecodedLeftOver;  // an item length no record can use
        return step;
    }

    // The record's fields, read from a growing first piece of the item.
    const auto length = static_cast<std::size_t>(itemLength);
    fields_.clear();
    fieldsUsed_ = 0;
    std::size_t used = 0;
    for (std::size_t want = std::min(length, kFirstFieldsRead);; want = std::min(length, want * 2)) {
        if (const int error = Append(fields_, want - fields_.size()); error != 0) {
            step.errorCode = error;
            return step;
        }
        const int fields = ReadFileRecordFields(fields_, out.record, used);
        if (fields == kRecordIncomplete && fields_.size() < length)
            continue;
        if (fields != 0) {
            // A record cut off inside its fields cannot be trusted to name anything.
            step.errorCode = fields == kRecordIncomplete ? payload_error::kEmptyName : fields;
            return step;
        }
        break;
    }
    itemLeft_ = length - fields_.size();
    fieldsUsed_ = used;

    out.index = index_++;
    const std::size_t index = out.index;
    const std::int32_t size = index < header_.fileSizes.size() ? header_.fileSizes[index] : -1;
    if (size < 0) {
        step.errorCode = payload_error::kNegativeFileSize;
        return step;
    }
    if (size > kMaxFileSize) {
        step.errorCode = payload_error::kFileTooLarge;
        return step;
    }
    // The data and its check must fit into the item.
    const std::uint64_t afterFields = (fields_.size() - used) + itemLeft_;
    if (afterFields < static_cast<std::uint64_t>(size) + 4) {
        step.errorCode = payload_error::kFileDataCheck;
        return step;
    }
    out.dataSize = static_cast<std::uint64_t>(size);
    dataLeft_ = out.dataSize;
    dataPending_ = true;
    return step;
}

int DataAreaReader::ReadData(const DataPieceSink& sink) {
    if (!dataPending_)
        return 0;
    dataPending_ = false;
    ChecksumAccumulator sum;
    const int error = TakeItemBytes(dataLeft_, [&](std::span<const std::uint8_t> piece) {
        sum.Add(piece);
        if (sink)
            sink(piece);
    });
    dataLeft_ = 0;
    if (error != 0)
        return error;
    std::uint8_t checkField[4] = {};
    std::size_t checkBytes = 0;
    if (const int checkError = TakeItemBytes(4,
                                             [&](std::span<const std::uint8_t> piece) {
                                                 std::copy(piece.begin(), piece.end(),
                                                           checkField + checkBytes);
                                                 checkBytes += piece.size();
                                             });
        checkError != 0) {
        return checkError;
    }
    // Bytes an item holds beyond its check are passed over.
    if (const int restError = TakeItemBytes((fields_.size() - fieldsUsed_) + itemLeft_, nullptr);
        restError != 0) {
        return restError;
    }
    fields_.clear();
    fieldsUsed_ = 0;
    return sum.Finish() == LoadU32(checkField) ? 0 : payload_error::kFileDataCheck;
}

}  // namespace vantrel
