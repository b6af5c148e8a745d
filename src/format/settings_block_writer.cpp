// Writer side of the settings block, kept out of the reader's file so the engine never
// links the xz encoder.
#include "format/settings_block.h"

#include "format/xz_codec.h"

namespace vantrel {

std::vector<std::uint8_t> EncodeSettingsBlock(std::span<const std::uint8_t> stream,
                                              std::uint32_t settingsCheck, const Blowfish* cipher,
                                              std::uint32_t xzPreset) {
    return SealSettingsBlock(XzEncode(stream, xzPreset), settingsCheck, cipher);
}

std::vector<std::uint8_t> SealSettingsBlock(std::vector<std::uint8_t> block, std::uint32_t settingsCheck,
                                            const Blowfish* cipher) {
    if (cipher != nullptr)
        return EncipherBuffer(block, *cipher);
    XorScramble(block, settingsCheck);
    return block;
}

}  // namespace vantrel
