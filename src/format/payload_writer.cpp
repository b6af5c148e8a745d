#include "format/payload_writer.h"

#include <limits>
#include <memory>
#include <stdexcept>

#include "format/checksum.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"

namespace vantrel {
namespace {

// Builds the data area block by block: items are gathered until the next one would take
// the block past `blockSize` decoded bytes (a block always holds at least one item).
class DataAreaBuilder {
  public:
    DataAreaBuilder(const PayloadWriteOptions& options, bool compress, const Blowfish* cipher)
        : options_(options), compress_(compress), cipher_(cipher) {}

    void Add(std::vector<std::uint8_t> item) {
        if (!pending_.empty() && pending_.size() + item.size() > options_.blockSize)
            Flush();
        pending_.insert(pending_.end(), item.begin(), item.end());
    }
    Bytes Finish() {
        Flush();
        return std::move(area_);
    }

  private:
    void Flush() {
        if (pending_.empty())
            return;
        const Bytes block = WriteDataBlock(pending_, compress_, options_.xzPreset, cipher_);
        area_.insert(area_.end(), block.begin(), block.end());
        pending_.clear();
    }

    const PayloadWriteOptions& options_;
    bool compress_;
    const Blowfish* cipher_;
    Bytes pending_;
    Bytes area_;
};

}  // namespace

PayloadImage WritePayload(const Settings& settings, const std::vector<PayloadFileInput>& files,
                          const PayloadWriteOptions& options) {
    PayloadHeader header;
    header.productFlags2 = options.productFlags2;
    std::unique_ptr<Blowfish> cipher;
    if (options.cipherKey) {
        header.productFlags2 |= product_flags2::kEnciphered;
        header.cipherKey = options.cipherKey;
        cipher = std::make_unique<Blowfish>(*options.cipherKey);
    } else if (header.productFlags2 & product_flags2::kEnciphered) {
        throw std::invalid_argument("ProductFlags2 0x1000 needs a cipher key");
    }

    const Bytes stream = WriteSettingsStream(settings);
    header.settingsCheck = Checksum(stream);
    const Bytes block = EncodeSettingsBlock(stream, header.settingsCheck, cipher.get(), options.xzPreset);
    if (block.size() > static_cast<std::size_t>(kMaxSettingsSize)) {
        throw std::length_error("settings block larger than 0x31FFFFF bytes");
    }
    header.settingsSize = static_cast<std::int32_t>(block.size());

    std::uint64_t total = 0;
    for (const auto& file : files) {
        if (file.size > static_cast<std::uint64_t>(kMaxFileSize)) {
            throw std::length_error("file larger than 0x40000000 bytes: " + file.record.name);
        }
        header.fileSizes.push_back(static_cast<std::int32_t>(file.size));
        total += file.size;
    }

    const bool compress = (settings.productFlagsLow & product_flags::kCompressedBlocks) != 0;
    DataAreaBuilder builder(options, compress, cipher.get());
    std::uint64_t done = 0;
    for (const auto& file : files) {
        const Bytes data = file.readData ? file.readData() : Bytes();
        if (data.size() != file.size)
            throw std::runtime_error("file data changed size: " + file.record.name);
        builder.Add(WriteFileItem(file.record, data));
        done += file.size;
        if (options.progress)
            options.progress(done, total);
    }
    Bytes area = builder.Finish();
    if (area.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("data area larger than 2 GiB");
    }
    header.dataSize = static_cast<std::int32_t>(area.size());
    header.dataCheck = Checksum(area);
    header.length = header.Length();
    const std::uint64_t dataEnd = header.DataOffset() + area.size();
    if (dataEnd > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("payload larger than 2 GiB");
    }
    header.dataEnd = static_cast<std::int32_t>(dataEnd);

    PayloadImage image;
    image.section = WritePayloadHeader(header);
    image.fileCheckOffset = header.FileCheckOffset();
    image.section.insert(image.section.end(), block.begin(), block.end());
    if (settings.dataInFile != 0) {
        image.trailingData = std::move(area);
    } else {
        image.section.insert(image.section.end(), area.begin(), area.end());
    }
    return image;
}

}  // namespace vantrel
