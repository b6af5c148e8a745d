#include "format/payload_writer.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>

#include "format/blowfish.h"
#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/ordered_work_pool.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kMaxDataArea = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

// Builds the data area block by block and hands each stored block to the sink, summing the
// area's length and checksum on the way. Items are gathered until the next one would take
// the block past `blockSize` decoded bytes; an item larger than that fills blocks of exactly
// `blockSize` bytes and leaves its rest for the next block. With more than one thread, full
// blocks are compressed by a pool of workers while the next ones fill, and are handed to the
// sink in order, so the bytes are the same as with one thread.
class DataAreaBuilder {
  public:
    DataAreaBuilder(const PayloadWriteOptions& options, bool compress, const Blowfish* cipher,
                    const PayloadDataSink& sink)
        : options_(options), compress_(compress), cipher_(cipher), sink_(sink) {
        if (compress && options.threads > 1)
            pool_.emplace(options.threads);
    }

    // One file item: the record, `size` bytes from `read` in pieces, the data's checksum.
    void AddItem(const FileRecord& record, std::uint64_t size, const PayloadDataReader& read,
                 const std::function<void(std::uint64_t)>& advanced) {
        const Bytes head = WriteFileItemHead(record, size);
        const std::uint64_t itemSize = head.size() + size + 4;
        if (!pending_.empty() && pending_.size() + itemSize > options_.blockSize)
            Flush();
        Append(head);
        ChecksumAccumulator check;
        std::uint64_t left = size;
        while (left > 0) {
            const std::size_t n = Room(left);
            const std::size_t at = pending_.size();
            pending_.resize(at + n);
            read(std::span<std::uint8_t>(pending_.data() + at, n));
            check.Add(std::span<const std::uint8_t>(pending_.data() + at, n));
            left -= n;
            advanced(n);
        }
        std::uint8_t sum[4];
        StoreU32(sum, check.Finish());
        Append(sum);
    }
    void Finish() {
        Flush();
        while (pool_ && pool_->InFlight() > 0)
            Emit(pool_->TakeNext());
    }
    std::uint64_t Length() const { return length_; }
    std::uint32_t Check() const { return sum_.Finish(); }

  private:
    // Bytes that still fit into the pending block (at most `wanted`), after closing it when
    // full. An item that fits into a block never gets here with a full one.
    std::size_t Room(std::uint64_t wanted) {
        if (pending_.size() >= options_.blockSize)
            Flush();
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(wanted, options_.blockSize - pending_.size()));
    }
    void Append(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const std::size_t n = Room(bytes.size());
            pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
            bytes = bytes.subspan(n);
        }
    }
    void Flush() {
        if (pending_.empty())
            return;
        if (!pool_) {
            Emit(WriteDataBlock(pending_, compress_, options_.xzPreset, cipher_));
            pending_.clear();
            return;
        }
        pool_->Submit([decoded = std::move(pending_), compress = compress_, preset = options_.xzPreset,
                       cipher = cipher_] { return WriteDataBlock(decoded, compress, preset, cipher); });
        pending_ = Bytes();
        // Each worker has one block in hand and one waiting; beyond that, the oldest is written.
        while (pool_->InFlight() > 2 * static_cast<std::size_t>(pool_->Workers()))
            Emit(pool_->TakeNext());
    }
    void Emit(const Bytes& block) {
        length_ += block.size();
        if (length_ > kMaxDataArea)
            throw std::length_error("data area larger than 2 GiB");
        sum_.Add(block);
        sink_(block);
    }

    const PayloadWriteOptions& options_;
    bool compress_;
    const Blowfish* cipher_;
    const PayloadDataSink& sink_;
    Bytes pending_;
    std::uint64_t length_ = 0;
    ChecksumAccumulator sum_;
    std::optional<OrderedWorkPool<Bytes>> pool_;  // last: stopped before the rest goes
};

// A reader over data that was handed over whole.
PayloadDataReader WholeDataReader(const PayloadFileInput& file) {
    auto data = std::make_shared<Bytes>(file.readData ? file.readData() : Bytes());
    if (data->size() != file.size)
        throw std::runtime_error("file data changed size: " + file.record.name);
    return [data, offset = std::size_t{0}](std::span<std::uint8_t> out) mutable {
        if (out.size() > data->size() - offset)
            throw std::runtime_error("read past the file data");
        std::copy_n(data->begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        offset += out.size();
    };
}

}  // namespace

PayloadWriter::PayloadWriter(const Settings& settings, const std::vector<PayloadFileInput>& files,
                             const PayloadWriteOptions& options)
    : files_(files),
      options_(options),
      compress_((settings.productFlagsLow & product_flags::kCompressedBlocks) != 0) {
    header_.productFlags2 = options.productFlags2;
    if (options.cipherKey) {
        header_.productFlags2 |= product_flags2::kEnciphered;
        header_.cipherKey = options.cipherKey;
        cipher_ = std::make_unique<Blowfish>(*options.cipherKey);
    } else if (header_.productFlags2 & product_flags2::kEnciphered) {
        throw std::invalid_argument("ProductFlags2 0x1000 needs a cipher key");
    }
    if (options.blockSize == 0)
        throw std::invalid_argument("block size 0");

    const Bytes stream = WriteSettingsStream(settings);
    header_.settingsCheck = Checksum(stream);
    settingsBlock_ = EncodeSettingsBlock(stream, header_.settingsCheck, cipher_.get(), options.xzPreset);
    if (settingsBlock_.size() > static_cast<std::size_t>(kMaxSettingsSize)) {
        throw std::length_error("settings block larger than 0x31FFFFF bytes");
    }
    header_.settingsSize = static_cast<std::int32_t>(settingsBlock_.size());

    for (const auto& file : files) {
        if (file.size > static_cast<std::uint64_t>(kMaxFileSize)) {
            throw std::length_error("file larger than 0x40000000 bytes: " + file.record.name);
        }
        header_.fileSizes.push_back(static_cast<std::int32_t>(file.size));
        total_ += file.size;
    }
    header_.length = header_.Length();
}

PayloadWriter::~PayloadWriter() = default;

Bytes PayloadWriter::WriteDataArea(const PayloadDataSink& sink) {
    DataAreaBuilder builder(options_, compress_, cipher_.get(), sink);
    std::uint64_t done = 0;
    const auto advanced = [&](std::uint64_t n) {
        done += n;
        if (options_.progress)
            options_.progress(done, total_);
    };
    for (const auto& file : files_) {
        const PayloadDataReader read = file.openData ? file.openData() : WholeDataReader(file);
        builder.AddItem(file.record, file.size, read, advanced);
        // Empty files still count as done, so that the last report says all.
        if (file.size == 0)
            advanced(0);
    }
    builder.Finish();

    PayloadHeader header = header_;
    header.dataSize = static_cast<std::int32_t>(builder.Length());
    header.dataCheck = builder.Check();
    const std::uint64_t dataEnd = header.DataOffset() + builder.Length();
    if (dataEnd > kMaxDataArea)
        throw std::length_error("payload larger than 2 GiB");
    header.dataEnd = static_cast<std::int32_t>(dataEnd);
    Bytes head = WritePayloadHeader(header);
    head.insert(head.end(), settingsBlock_.begin(), settingsBlock_.end());
    return head;
}

PayloadImage WritePayload(const Settings& settings, const std::vector<PayloadFileInput>& files,
                          const PayloadWriteOptions& options) {
    PayloadWriter writer(settings, files, options);
    Bytes area;
    PayloadImage image;
    image.section = writer.WriteDataArea([&area](std::span<const std::uint8_t> bytes) {
        area.insert(area.end(), bytes.begin(), bytes.end());
    });
    image.fileCheckOffset = writer.FileCheckOffset();
    if (settings.dataInFile != 0) {
        image.trailingData = std::move(area);
    } else {
        image.section.insert(image.section.end(), area.begin(), area.end());
    }
    return image;
}

}  // namespace vantrel
