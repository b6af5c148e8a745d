#include "format/settings_block.h"

#include "format/xz_codec.h"

namespace vantrel {

void XorScramble(std::vector<std::uint8_t>& buffer, std::uint32_t word) {
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] ^= static_cast<std::uint8_t>(word >> (8 * (i % 4)));
    }
}

bool DecodeSettingsBlock(std::vector<std::uint8_t>& block, std::uint32_t settingsCheck,
                         const Blowfish* cipher) {
    if (cipher != nullptr) {
        DecipherBuffer(block, *cipher);  // a bad length empties the block; decoding then fails
    } else {
        XorScramble(block, settingsCheck);
    }
    return XzDecode(block, kMaxSettingsStreamSize);
}

}  // namespace vantrel
