#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/blowfish.h"

namespace vantrel {

// XORs every complete 4-byte group with the little-endian settings-check word and the 1 to
// 3 trailing bytes with its low, second and third byte. Its own inverse.
void XorScramble(std::vector<std::uint8_t>& buffer, std::uint32_t word);

// The largest settings stream a payload may carry: above the largest stored block (0x31FFFFF
// bytes, so settings that do not compress always fit), with room for texts and pictures
// that do, while a block that expands without end (a decompression bomb) fails within a
// second and about 100 MB.
inline constexpr std::uint64_t kMaxSettingsStreamSize = 64u << 20;

// Turns the stored settings block into the settings stream in place: deciphers it (when
// `cipher` is given) or unscrambles it with the check word, then xz-decodes it. False (the
// payload's error 47) when it does not decode or decodes to more than
// kMaxSettingsStreamSize bytes.
bool DecodeSettingsBlock(std::vector<std::uint8_t>& block, std::uint32_t settingsCheck,
                         const Blowfish* cipher);

// The inverse for the writer: xz-compresses the stream and enciphers or scrambles it.
std::vector<std::uint8_t> EncodeSettingsBlock(std::span<const std::uint8_t> stream,
                                              std::uint32_t settingsCheck, const Blowfish* cipher,
                                              std::uint32_t xzPreset);

// The second half of EncodeSettingsBlock, for a stream already in xz: enciphers it or
// scrambles it with the check word.
std::vector<std::uint8_t> SealSettingsBlock(std::vector<std::uint8_t> xzStream, std::uint32_t settingsCheck,
                                            const Blowfish* cipher);

}  // namespace vantrel
