#include "ui/program_icons.h"

#include <initializer_list>
#include <tuple>
#include <utility>

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

FileIcons::FileIcons(const std::wstring& iconFile) {
    auto load = [&iconFile](int width, int height) {
        return static_cast<HICON>(LoadImageW(nullptr, iconFile.c_str(), IMAGE_ICON, GetSystemMetrics(width),
                                             GetSystemMetrics(height), LR_LOADFROMFILE));
    };
    big_ = load(SM_CXICON, SM_CYICON);
    small_ = load(SM_CXSMICON, SM_CYSMICON);
}

FileIcons::~FileIcons() {
    if (big_ != nullptr)
        DestroyIcon(big_);
    if (small_ != nullptr)
        DestroyIcon(small_);
}

void FileIcons::GiveTo(HWND window) const {
    if (window == nullptr)
        return;
    for (const auto& [which, icon] : {std::pair{ICON_BIG, big_}, std::pair{ICON_SMALL, small_}}) {
        if (icon != nullptr)
            SendMessageW(window, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
    }
}

}  // namespace vantrel
