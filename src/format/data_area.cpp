#include "format/data_area.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/xz_codec.h"

namespace vantrel {
namespace {

constexpr std::size_t kVerifyChunk = 256 * 1024;

// Reads the fields of one item without ever leaving it.
class ItemCursor {
  public:
    explicit ItemCursor(std::span<const std::uint8_t> item) : item_(item) {}
    bool ok() const { return ok_; }
    std::size_t Left() const { return item_.size() - offset_; }
    std::uint32_t U32() {
        if (Left() < 4)
            return Fail(), 0;
        const std::uint32_t v = LoadU32(item_.data() + offset_);
        offset_ += 4;
        return v;
    }
    std::string CText() {
        const auto* start = item_.data() + offset_;
        const void* nul = std::memchr(start, 0, Left());
        if (nul == nullptr)
            return Fail(), std::string();
        const auto n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start);
        offset_ += n + 1;
        return std::string(reinterpret_cast<const char*>(start), n);
    }
    std::wstring WText() {
        std::wstring text;
        for (;;) {
            if (Left() < 2)
                return Fail(), std::wstring();
            const std::uint16_t unit = LoadU16(item_.data() + offset_);
            offset_ += 2;
            if (unit == 0)
                return text;
            text.push_back(static_cast<wchar_t>(unit));
        }
    }
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (Left() < n)
            return Fail(), std::span<const std::uint8_t>();
        auto part = item_.subspan(offset_, n);
        offset_ += n;
        return part;
    }

  private:
    void Fail() {
        ok_ = false;
        offset_ = item_.size();
    }
    std::span<const std::uint8_t> item_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

bool KindHasFolder(std::uint32_t kind) {
    return kind == 0 || kind == 1 || (kind >= 4 && kind <= 12);
}

}  // namespace

bool MemoryDataAreaSource::ReadNext(std::uint8_t* out, std::size_t n) {
    if (n > data_.size() - offset_)
        return false;
    if (n > 0)
        std::memcpy(out, data_.data() + offset_, n);
    offset_ += n;
    return true;
}

int VerifyDataArea(DataAreaSource& source, const PayloadHeader& header) {
    if (source.Length() != static_cast<std::uint64_t>(static_cast<std::uint32_t>(header.dataSize)) ||
        header.dataSize < 0) {
        return payload_error::kDataAreaLength;
    }
    ChecksumAccumulator sum;
    std::uint64_t left = source.Length();
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(left, kVerifyChunk)));
    if (!source.Rewind())
        return kDataAreaReadFailed;
    while (left > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        if (!source.ReadNext(chunk.data(), n))
            return kDataAreaReadFailed;
        sum.Add({chunk.data(), n});
        left -= n;
    }
    if (!source.Rewind())
        return kDataAreaReadFailed;
    return sum.Finish() == header.dataCheck ? 0 : payload_error::kDataAreaCheck;
}

bool DecodeStoredBlock(std::vector<std::uint8_t>& block, bool compressed, const Blowfish* cipher,
                       std::uint64_t outputLimit) {
    // A block whose length trailer does not decipher to a valid length cannot be decoded,
    // whether or not it is compressed.
    if (cipher != nullptr && !DecipherBuffer(block, *cipher))
        return false;
    return !compressed || XzDecode(block, outputLimit);
}

std::uint64_t DecodedBytesAllowed(const PayloadHeader& header) {
    std::uint64_t allowed = 0;
    for (const std::int32_t size : header.fileSizes)
        allowed += static_cast<std::uint64_t>(std::clamp(size, 0, kMaxFileSize)) + kMaxItemOverhead;
    return allowed;
}

DataAreaWalker::DataAreaWalker(DataAreaSource& source, const PayloadHeader& header, bool compressed,
                               const Blowfish* cipher)
    : source_(source),
      header_(header),
      compressed_(compressed),
      cipher_(cipher),
      remaining_(source.Length()),
      decodeBudget_(DecodedBytesAllowed(header)) {}

bool DataAreaWalker::HasCompleteItem() const {
    const std::size_t queued = queue_.size() - head_;
    if (queued < 4)
        return false;
    const auto length = static_cast<std::int32_t>(LoadU32(queue_.data() + head_));
    return length >= 0 && static_cast<std::size_t>(length) <= queued - 4;
}

int DataAreaWalker::ReadBlock() {
    if (onBlock)
        onBlock();
    // Size and check must both be there before a block can be.
    if (remaining_ < 8)
        return payload_error::kBlockBeyondArea;
    std::uint8_t head[8];
    if (!source_.ReadNext(head, 8))
        return kDataAreaReadFailed;
    remaining_ -= 8;
    const auto storedSize = static_cast<std::int32_t>(LoadU32(head));
    const std::uint32_t check = LoadU32(head + 4);
    if (storedSize <= 0)
        return payload_error::kBlockSize;
    if (static_cast<std::uint64_t>(storedSize) > remaining_)
        return payload_error::kBlockBeyondArea;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(storedSize));
    if (!source_.ReadNext(block.data(), block.size()))
        return kDataAreaReadFailed;
    remaining_ -= block.size();
    if (Checksum(block) != check)
        return payload_error::kBlockCheck;
    const std::uint64_t limit = std::min<std::uint64_t>(kMaxDataBlockSize, decodeBudget_);
    if (!(decodeBlock ? decodeBlock(block) : DecodeStoredBlock(block, compressed_, cipher_, limit)))
        return payload_error::kBlockDecode;
    if (compressed_)
        decodeBudget_ -= std::min<std::uint64_t>(block.size(), decodeBudget_);
    // Drop what was consumed before appending, so the queue holds one block plus a rest.
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
    queue_.insert(queue_.end(), block.begin(), block.end());
    return 0;
}

int ReadFileRecordFields(std::span<const std::uint8_t> item, FileRecord& r, std::size_t& used) {
    ItemCursor c(item);
    r = FileRecord{};
    used = 0;
    r.name = c.CText();  // 1
    if (c.ok() && r.name.empty())
        return payload_error::kEmptyName;
    r.kind = c.U32();
    r.flags = c.U32();
    r.attributes = c.U32();
    const auto time = c.Take(r.fileTime.size());
    if (!time.empty())
        std::memcpy(r.fileTime.data(), time.data(), time.size());
    r.nameText = c.CText();
    if (r.HasIcon())
        r.icon = c.WText();
    r.arguments = c.CText();
    r.destination = c.WText();
    r.parameter = c.CText();
    if (r.HasMsiLevel())
        r.msiInterfaceLevel = c.U32();  // 11
    if (!c.ok())
        return kRecordIncomplete;
    if (r.destination.empty() && (r.flags & file_flags::kToUninstallDir) == 0 && !KindHasFolder(r.kind)) {
        return payload_error::kUnknownKind;
    }
    used = item.size() - c.Left();
    return 0;
}

int DataAreaWalker::ParseItem(std::span<const std::uint8_t> item, DataAreaFile& out) const {
    std::size_t used = 0;
    const int fields = ReadFileRecordFields(item, out.record, used);
    // A record cut off inside its fields cannot be trusted to name anything.
    if (fields == kRecordIncomplete)
        return payload_error::kEmptyName;
    if (fields != 0)
        return fields;
    ItemCursor c(item.subspan(used));
    const std::int32_t size = out.index < header_.fileSizes.size() ? header_.fileSizes[out.index] : -1;
    if (size < 0)
        return payload_error::kNegativeFileSize;
    if (size > kMaxFileSize)
        return payload_error::kFileTooLarge;
    out.data = c.Take(static_cast<std::size_t>(size));  // 12
    const std::uint32_t check = c.U32();                // 13
    if (!c.ok() || Checksum(out.data) != check)
        return payload_error::kFileDataCheck;
    return 0;
}

DataAreaStep DataAreaWalker::Next(DataAreaFile& out) {
    DataAreaStep step;
    if (index_ >= header_.FileCount()) {
        if (remaining_ != 0) {
            step.errorCode = payload_error::kBytesLeftInArea;
        } else if (head_ != queue_.size()) {
            step.errorCode = payload_error::kDecodedLeftOver;
        } else {
            step.finished = true;
        }
        return step;
    }
    while (!HasCompleteItem()) {
        const std::size_t queued = queue_.size() - head_;
        if (queued >= 4 && static_cast<std::int32_t>(LoadU32(queue_.data() + head_)) < 0) {
            step.errorCode = payload_error::kDecodedLeftOver;  // an item length no record can use
            return step;
        }
        if (const int error = ReadBlock(); error != 0) {
            step.errorCode = error;
            return step;
        }
    }
    const std::size_t length = LoadU32(queue_.data() + head_);
    const std::span<const std::uint8_t> item(queue_.data() + head_ + 4, length);
    head_ += 4 + length;
    out.index = index_;
    step.errorCode = ParseItem(item, out);
    ++index_;
    return step;
}

}  // namespace vantrel
