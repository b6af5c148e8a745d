#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {

// The system's folder browser. The low word of `options` picks the root: 1 the computer,
// 2 the user's Start-menu programs, 3 the all-users programs, anything else the desktop.
namespace folder_browser {
inline constexpr unsigned kComputerRoot = 1;
inline constexpr unsigned kUserProgramsRoot = 2;
inline constexpr unsigned kAllUsersProgramsRoot = 3;
inline constexpr unsigned kFileSystemOnly = 0x20000;  // real folders only, the newer dialog
inline constexpr unsigned kEditBox = 0x40000;
inline constexpr unsigned kRelativeToRoot = 0x80000;  // `initial` and the result are below the root
}  // namespace folder_browser

// Lets the user pick a folder, starting with `initial` selected; nothing when cancelled.
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& prompt,
                                            const std::wstring& initial, unsigned options);

}  // namespace vantrel
