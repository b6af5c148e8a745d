#include "actions/fonts.h"

#include <windows.h>

#include "support/os_info.h"
#include "support/registry_key.h"

namespace vantrel {

const wchar_t* FontsRegistryKey() {
    return CurrentOs().platformId == VER_PLATFORM_WIN32_NT
               ? L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
               : L"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}

void RegisterFont(const std::wstring& fontName, const std::wstring& fontPath) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, FontsRegistryKey(), registry_option::kOpenOnly,
                 KEY_QUERY_VALUE | KEY_SET_VALUE) != RegistryOpen::kFailed)
        key.SetText(fontName, fontPath);
    AddFontResourceW(fontPath.c_str());
}

void BroadcastFontChange() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

}  // namespace vantrel
