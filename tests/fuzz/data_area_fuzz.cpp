// The data-area walker over blocks that the harness stores itself, so every size and
// checksum around them is right and the fuzzer's bytes reach the item reader.
//
// Input: a flags byte (0x1 compressed blocks, 0x2 enciphered), a record count N (at most
// 64), N file sizes (i32), then blocks, each a u16 length and that many decoded bytes
// (the last one takes what is left).
#include "format/blowfish.h"
#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/settings.h"
#include "stored_xz.h"

using namespace vantrel;

namespace {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Has(std::size_t n) const { return size_ - at_ >= n; }
    std::size_t Left() const { return size_ - at_; }
    std::uint8_t U8() { return Has(1) ? data_[at_++] : 0; }
    std::uint32_t U32() {
        if (!Has(4))
            return at_ = size_, 0;
        const std::uint32_t v = LoadU32(data_ + at_);
        at_ += 4;
        return v;
    }
    std::span<const std::uint8_t> Take(std::size_t n) {
        n = std::min(n, Left());
        const std::span<const std::uint8_t> part(data_ + at_, n);
        at_ += n;
        return part;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::uint8_t flags = input.U8();
    const bool compressed = (flags & 1) != 0;
    // The key never changes, so its schedule is set up once: that set-up costs more than
    // a typical input's whole walk.
    static const Blowfish kCipher(std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8});
    const Blowfish* cipher = (flags & 2) != 0 ? &kCipher : nullptr;
    PayloadHeader header;
    const std::size_t count = input.U8() % 65;
    for (std::size_t i = 0; i < count; ++i)
        header.fileSizes.push_back(static_cast<std::int32_t>(input.U32()));
    Bytes area;
    while (input.Left() > 0) {
        std::size_t length = input.U8();
        length |= static_cast<std::size_t>(input.U8()) << 8;
        const auto decoded = input.Take(length == 0 ? input.Left() : length);
        if (decoded.empty() && !compressed && !cipher)
            continue;  // the writer stores no empty block; the reader's test of one is in the unit tests
        const Bytes block = SealDataBlock(
            compressed ? fuzz::StoredXz(decoded) : Bytes(decoded.begin(), decoded.end()), cipher);
        area.insert(area.end(), block.begin(), block.end());
    }
    header.dataSize = static_cast<std::int32_t>(area.size());
    header.dataCheck = Checksum(area);

    MemoryDataAreaSource source(area);
    if (VerifyDataArea(source, header) != 0)
        __builtin_trap();  // the harness wrote it: length and check are right
    DataAreaWalker walker(source, header, compressed, cipher);
    for (std::size_t steps = 0; steps <= count; ++steps) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        if (step.errorCode != 0 || step.finished)
            break;
        if (file.data.size() != static_cast<std::size_t>(header.fileSizes[file.index]))
            __builtin_trap();
    }
    return 0;
}
