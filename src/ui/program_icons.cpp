#include "ui/program_icons.h"

#include <initializer_list>
#include <tuple>

namespace vantrel {
namespace {

constexpr WORD kProgramIconId = 1;

}  // namespace

void GiveProgramIcons(HWND window, HINSTANCE instance) {
    // Shared icons need no destroying.
    for (const auto& [which, width, height] :
         {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        const HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                                       GetSystemMetrics(width), GetSystemMetrics(height), LR_SHARED);
        if (icon != nullptr)
            SendMessageW(window, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
    }
}

}  // namespace vantrel
