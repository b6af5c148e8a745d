// Writer side of the settings block, kept out of the reader's file so the engine never
// links the xz encoder.
#include "format/settings_block.h"

#include "format/xz_codec.h"

namespace vantrel {

std::vector<std::uint8_t> EncodeSettingsBlock(std::span<const std::uint8_t> stream,
                                              std::uint32_t settingsCheck, const Blowfish* cipher,
                                              std::uint32_t xzPreset) {
    std::vector<std::uint8_t> block = XzEncode(stream, xzPreset);
    if (cipher != nullptr)
        return EncipherBuffer(block, *cipher);
    XorScramble(block, settingsCheck);
    return block;
}

}  // namespace vantrel
