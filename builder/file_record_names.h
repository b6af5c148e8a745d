#pragma once

// The project file's words for a file record's destination kind and replace mode: the
// parser reads them, inspect prints them, from the same tables.
#include <cstdint>
#include <string_view>
#include <utility>

#include "format/file_record.h"

namespace vantrel::builder {

inline constexpr std::pair<std::string_view, DestinationKind> kDestinationKindNames[] = {
    {"install-dir", DestinationKind::kInstallDir},
    {"shared", DestinationKind::kShared},
    {"font", DestinationKind::kFont},
    {"install-dir-startup", DestinationKind::kInstallDirShortcut},
    {"system", DestinationKind::kSystemPermanentShared},
    {"system-com", DestinationKind::kSystemCom},
    {"system-typelib", DestinationKind::kSystemTypeLibrary},
    {"versioned", DestinationKind::kVersioned},
    {"driver", DestinationKind::kDriver},
    {"msi", DestinationKind::kMsiPackage},
    {"control-panel", DestinationKind::kControlPanelApplet},
};

inline constexpr std::pair<std::string_view, std::uint32_t> kReplaceModeNames[] = {
    {"by-kind", replace_mode::kByKindRules},
    {"skip", replace_mode::kSkip},
    {"only-if-exists", replace_mode::kOnlyIfExists},
    {"only-if-missing", replace_mode::kOnlyIfMissing},
    {"unless-existing-newer", replace_mode::kNotIfExistingNewer},
};

// The word for a stored kind; "?" for a kind outside the table.
constexpr std::string_view DestinationKindName(std::uint32_t kind) {
    for (const auto& [name, value] : kDestinationKindNames) {
        if (static_cast<std::uint32_t>(value) == kind)
            return name;
    }
    return "?";
}

// The word for the replace mode in a record's flags. The two other stored forms of
// "skip" and of "by-kind" read as those.
constexpr std::string_view ReplaceModeName(std::uint32_t flags) {
    std::uint32_t mode = flags & file_flags::kReplaceModeMask;
    if (mode == replace_mode::kSkipToo)
        mode = replace_mode::kSkip;
    for (const auto& [name, value] : kReplaceModeNames) {
        if (value == mode)
            return name;
    }
    return "by-kind";
}

}  // namespace vantrel::builder
