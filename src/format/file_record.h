#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vantrel {

// Where a file goes when its record names no explicit destination.
enum class DestinationKind : std::uint32_t {
    kInstallDir = 0,
    kShared = 1,
    kFont = 4,
    kInstallDirShortcut = 5,
    kSystemPermanentShared = 6,
    kSystemCom = 7,
    kSystemTypeLibrary = 8,
    kVersioned = 9,
    kDriver = 10,
    kMsiPackage = 11,
    kControlPanelApplet = 12,
};

namespace file_flags {
inline constexpr std::uint32_t kDesktopShortcut = 0x1;
inline constexpr std::uint32_t kStartMenuShortcut = 0x2;
inline constexpr std::uint32_t kReplaceModeMask = 0x1C;
inline constexpr std::uint32_t kPermanent = 0x20;
inline constexpr std::uint32_t kToUninstallDir = 0x40;
inline constexpr std::uint32_t kTypeLibraryShift = 13;
}  // namespace file_flags

namespace replace_mode {
inline constexpr std::uint32_t kByKindRules = 0x0;
inline constexpr std::uint32_t kSkip = 0x4;
inline constexpr std::uint32_t kOnlyIfExists = 0x8;
inline constexpr std::uint32_t kOnlyIfMissing = 0xC;
inline constexpr std::uint32_t kNotIfExistingNewer = 0x10;
inline constexpr std::uint32_t kSkipToo = 0x14;
inline constexpr std::uint32_t kByKindRules2 = 0x18;
inline constexpr std::uint32_t kByKindRules3 = 0x1C;
}  // namespace replace_mode

inline constexpr std::uint32_t kKeepAttributes = 0xFFFFFFFF;

// The fields of one file record, in storage order (the data and its check follow it).
struct FileRecord {
    std::string name;  // UTF-8, never empty
    std::uint32_t kind = 0;
    std::uint32_t flags = 0;
    std::uint32_t attributes = kKeepAttributes;
    std::array<std::uint8_t, 24> fileTime{};  // see file_time.h
    std::string nameText;                     // UTF-8: version, font name, applet or shortcut name
    std::wstring icon;                        // only with flags bit 0x1 or 0x2
    std::string arguments;                    // Windows-1252
    std::wstring destination;                 // explicit destination; empty: from the kind
    std::string parameter;                    // encoded text
    std::uint32_t msiInterfaceLevel = 0;      // only for kind 11

    bool HasIcon() const {
        return (flags & (file_flags::kDesktopShortcut | file_flags::kStartMenuShortcut)) != 0;
    }
    bool HasMsiLevel() const { return kind == static_cast<std::uint32_t>(DestinationKind::kMsiPackage); }
};

}  // namespace vantrel
