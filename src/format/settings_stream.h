#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "format/payload_error_codes.h"
#include "format/settings.h"
#include "format/stream_reader.h"

namespace vantrel {

inline constexpr std::uint16_t kMaxStatusDelay = 9999;
inline constexpr std::int32_t kMaxLicences = 20;
inline constexpr std::int32_t kMaxReadmes = 20;
inline constexpr std::int32_t kMaxBitmapSize = 100;
inline constexpr std::int32_t kMaxListRecords = 1000;  // associations, shortcuts, saved values
inline constexpr std::size_t kMaxListEntries = 1000;   // deletion list, AutoCloseList
inline constexpr std::uint8_t kMaxLanguages = 200;
inline constexpr std::int32_t kMaxMessages = 10000;
inline constexpr std::uint32_t kSettingsEndMarker = 0xD3E82B97;
inline constexpr const char* kDeletionListEnd = "~~THE END~~";
inline constexpr const wchar_t* kAutoCloseListEnd = L"~~THE~END~~";

// The places where the engine acts while the stream is read. Every hook is optional; the
// reader itself only decodes and checks.
struct SettingsReadHooks {
    // Fields 1 and 2 are read. The flags may be rewritten here (silent mode); whatever is
    // read later depends on the flags only through settings.productFlagsLow/High.
    std::function<void(Settings&)> afterModeFields;
    // Field 4 is read: the place of the settings checksum test. A non-zero result ends the
    // reading with that error code.
    std::function<int(const Settings&)> afterDisplayTitle;
    // Fields 3 to 6 are read: from here on the background window may show while the rest
    // is read.
    std::function<void(const Settings&)> backgroundWindowSeam;
    // Field `field` (7 to 91) is read and has passed its checks: defaults are applied here.
    // For the lists and the message table the number is that of the last field of the group
    // (27 licences, 29 readmes, 80, 81, 82, 84, 87, 91 messages).
    std::function<void(Settings&, int field)> afterField;
};

// Reads fields 1 to 92 into `settings`. Returns 0, or the error code of the first check
// that failed (or that a hook returned); `settings` then holds what was read so far.
int ReadSettingsStream(StreamReader& stream, Settings& settings, const SettingsReadHooks& hooks = {});

// The stream that ReadSettingsStream reads back as `settings` (fields 45 and 79 only when
// their flag bits are set). Throws std::length_error / std::invalid_argument for values the
// format cannot hold (a list above its limit, a text too long for its length prefix).
std::vector<std::uint8_t> WriteSettingsStream(const Settings& settings);

}  // namespace vantrel
