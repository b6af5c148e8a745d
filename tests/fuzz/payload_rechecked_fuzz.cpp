// A payload section whose settings block holds the decoded stream: the harness wraps it in xz,
// scrambles or enciphers it and puts the right size and check into the header, so that
// the fuzzer's changes reach the settings reader instead of stopping at xz and checksums.
#include <stdexcept>

#include "format/byte_writer.h"
#include "fuzz_readers.h"
#include "stored_xz.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    PayloadHeader header;
    if (ReadPayloadHeader(input, kPayloadEngineVersion, header).errorCode != 0)
        return 0;
    const auto stream = input.subspan(header.length, static_cast<std::size_t>(header.settingsSize));
    std::optional<Blowfish> cipher;
    if (header.cipherKey)
        cipher.emplace(*header.cipherKey);
    header.settingsCheck = Checksum(stream);
    Bytes section;
    try {
        const Bytes block =
            SealSettingsBlock(fuzz::StoredXz(stream), header.settingsCheck, cipher ? &*cipher : nullptr);
        header.settingsSize = static_cast<std::int32_t>(block.size());
        header.length = header.Length();
        section = WritePayloadHeader(header);
        section.insert(section.end(), block.begin(), block.end());
    } catch (const std::exception&) {
        return 0;  // a header the writer cannot express again
    }
    const int result = fuzz::ReadSectionLikeTheEngine(section);
    // The block was made from this stream: it always decodes and its check always holds.
    if (result == payload_error::kSettingsDecode || result == payload_error::kSettingsCheck)
        __builtin_trap();
    return 0;
}
