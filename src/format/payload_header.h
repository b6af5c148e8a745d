#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/engine_version.h"
#include "format/payload_error_codes.h"

namespace vantrel {

inline constexpr std::uint32_t kPayloadMagic = 0xA4F23DE5;
// The engine version every payload names; the engine compares it with its own.
inline constexpr const char* kPayloadEngineVersion = kEngineVersion;
inline constexpr std::int32_t kMaxSettingsSize = 0x31FFFFF;
inline constexpr std::int32_t kMaxFileSize = 0x40000000;

// The fixed fields at the start of the payload section, in storage order.
struct PayloadHeader {
    std::uint32_t magic = kPayloadMagic;                   // 1
    std::string engineVersion = kPayloadEngineVersion;     // 2
    std::uint32_t productFlags2 = 0;                       // 3
    std::int32_t settingsSize = 0;                         // 4
    std::uint32_t settingsCheck = 0;                       // 5
    std::uint32_t fileCheck = 0;                           // 6
    std::int32_t dataEnd = 0;                              // 7
    std::int32_t dataSize = 0;                             // 9 (8, the file count, is fileSizes.size())
    std::uint32_t dataCheck = 0;                           // 10
    std::vector<std::int32_t> fileSizes;                   // 11
    std::optional<std::array<std::uint8_t, 8>> cipherKey;  // 12, with ProductFlags2 0x1000

    // Bytes the header occupies; set by ReadPayloadHeader, computed by Length().
    std::size_t length = 0;

    std::size_t Length() const;
    std::size_t FileCount() const { return fileSizes.size(); }
    // Offset of the file-check word from the start of the header.
    std::size_t FileCheckOffset() const { return 4 + engineVersion.size() + 1 + 4 + 4 + 4; }
    // Where the data area begins within the section: after the header and the settings.
    std::uint64_t DataOffset() const {
        return static_cast<std::uint64_t>(length) + static_cast<std::uint32_t>(settingsSize);
    }
    bool Enciphered() const;
};

struct PayloadHeaderRead {
    int errorCode = 0;             // 0 or a payload error code
    bool versionMismatch = false;  // field 2 differs; engineVersion holds what was found
};

// Reads and checks fields 1 to 12 from the start of the mapped section, and makes sure the
// settings block lies inside it too. Nothing is read outside `section`: a header cut off by
// the end of the section fails with the code of the field that does not fit (20 for fields
// 1-2, 22 for 3-6 and the settings block, 45, 27, 29, 28 for the later ones).
PayloadHeaderRead ReadPayloadHeader(std::span<const std::uint8_t> section, std::string_view expectedVersion,
                                    PayloadHeader& header);

// Serialises the header; the file count is fileSizes.size(). Throws std::invalid_argument
// when the cipher key and ProductFlags2 0x1000 disagree or a size is out of range.
std::vector<std::uint8_t> WritePayloadHeader(const PayloadHeader& header);

// Two dotted versions are equal when every numeric component is ("41.1.1" == "41.01.1.0").
bool DottedVersionEquals(std::string_view a, std::string_view b);

// The checksum of a program file's leading part (the bytes before the payload section's
// raw data) from PE-header offset + 92 to its end: the header's file check. 0 when the
// part is too short to hold a PE header.
std::uint32_t ProgramFileCheck(std::span<const std::uint8_t> leadingPart);

}  // namespace vantrel
