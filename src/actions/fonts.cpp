#include "actions/fonts.h"

#include <windows.h>

#include "support/os_info.h"
#include "support/unique_registry_key.h"

namespace vantrel {

const wchar_t* FontsRegistryKey() {
    return CurrentOs().platformId == VER_PLATFORM_WIN32_NT
               ? L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
               : L"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}

void RegisterFont(const std::wstring& fontName, const std::wstring& fontPath) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, FontsRegistryKey(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      key.Receive()) == ERROR_SUCCESS)
        RegSetValueExW(key.Get(), fontName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(fontPath.c_str()),
                       static_cast<DWORD>((fontPath.size() + 1) * sizeof(wchar_t)));
    AddFontResourceW(fontPath.c_str());
}

void BroadcastFontChange() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

}  // namespace vantrel
