// The readers' paths as the engine takes them, shared by the harnesses.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "format/blowfish.h"
#include "format/checksum.h"
#include "format/payload_error_codes.h"
#include "format/payload_header.h"
#include "format/settings_block.h"
#include "format/settings_defaults.h"
#include "format/settings_stream.h"
#include "format/stream_reader.h"

namespace vantrel::fuzz {

// The settings stream read with the engine's hooks: the silent-mode rewrite, the checksum
// test after the fourth field and every field's default.
inline int ReadStreamLikeTheEngine(std::span<const std::uint8_t> stream, std::optional<std::uint32_t> check) {
    Settings settings;
    SettingsReadHooks hooks;
    hooks.afterModeFields = [](Settings& s) { ApplySilentModeFlags(s); };
    if (check) {
        hooks.afterDisplayTitle = [stream, check](const Settings&) {
            return Checksum(stream) == *check ? 0 : payload_error::kSettingsCheck;
        };
    }
    hooks.afterField = [](Settings& s, int field) { ApplyFieldDefault(s, field, L""); };
    MemoryStreamReader reader(stream);
    return ReadSettingsStream(reader, settings, hooks);
}

// The start of a payload section in the engine's order: the header, the settings block
// deciphered or unscrambled and decoded, the settings stream.
inline int ReadSectionLikeTheEngine(std::span<const std::uint8_t> section) {
    PayloadHeader header;
    const PayloadHeaderRead read = ReadPayloadHeader(section, kPayloadEngineVersion, header);
    if (read.versionMismatch)
        return -1;
    if (read.errorCode != 0)
        return read.errorCode;
    std::optional<Blowfish> cipher;
    if (header.cipherKey)
        cipher.emplace(*header.cipherKey);
    const auto stored = section.subspan(header.length, static_cast<std::size_t>(header.settingsSize));
    Bytes block(stored.begin(), stored.end());
    if (!DecodeSettingsBlock(block, header.settingsCheck, cipher ? &*cipher : nullptr))
        return payload_error::kSettingsDecode;
    return ReadStreamLikeTheEngine(block, header.settingsCheck);
}

}  // namespace vantrel::fuzz
