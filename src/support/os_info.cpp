#include "support/os_info.h"

#include <windows.h>

#include "format/text_encoding.h"
#include "support/system_library.h"

namespace vantrel {
namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
using WineGetVersionFunction = const char*(CDECL*)();

OsVersionInfo ReadCurrentOs() {
    OsVersionInfo os;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        // Only the oldest systems lack the extended structure.
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    }
    os.platformId = version.dwPlatformId;
    os.major = version.dwMajorVersion;
    os.minor = version.dwMinorVersion;
    os.build = version.dwBuildNumber & 0xFFFFu;
    os.productType = version.wProductType;
    os.suiteMask = version.wSuiteMask;
    os.servicePack = version.szCSDVersion;
    os.is64BitWindows = IsWindows64Bit();
    os.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    if (os.major >= 6) {
        const auto getProductInfo =
            ModuleFunction<GetProductInfoFunction>(GetModuleHandleW(L"kernel32.dll"), "GetProductInfo");
        DWORD type = 0;
        if (getProductInfo != nullptr &&
            getProductInfo(os.major, os.minor, version.wServicePackMajor, version.wServicePackMinor, &type)) {
            os.productInfoType = type;
        }
    }
    os.wineVersion = WineVersion();
    return os;
}

}  // namespace

bool IsWindows64Bit() {
    static const bool is64Bit = [] {
        const auto isWow64Process =
            ModuleFunction<IsWow64ProcessFunction>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
        BOOL wow64 = FALSE;
        return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }();
    return is64Bit;
}

std::wstring WineVersion() {
    // ntdll is always loaded; Wine's own build exports its version.
    const auto wineGetVersion =
        ModuleFunction<WineGetVersionFunction>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    if (wineGetVersion == nullptr)
        return {};
    const char* text = wineGetVersion();
    return text == nullptr ? std::wstring() : Windows1252ToUtf16(text);
}

const OsVersionInfo& CurrentOs() {
    static const OsVersionInfo os = ReadCurrentOs();
    return os;
}

}  // namespace vantrel
