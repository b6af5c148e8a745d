#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// What the engine knows about the running Windows, as plain values so that the mapping to
// codes, names and descriptions can be tested for every Windows, not only the one at hand.
struct OsVersionInfo {
    // The version structure (GetVersionExW with the extended structure).
    std::uint32_t platformId = 2;  // 0 Win32s, 1 the Windows 9x family, 2 the NT family
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint8_t productType = 1;  // 1 workstation, 2 domain controller, 3 server
    std::uint16_t suiteMask = 0;
    std::wstring servicePack;  // "Service Pack 1", or empty
    // GetProductInfo's product type (version 6 and later; 0 when unknown).
    std::uint32_t productInfoType = 0;
    bool is64BitWindows = false;
    bool serverR2 = false;  // GetSystemMetrics(SM_SERVERR2) != 0
    // The Wine version when running under Wine, else empty.
    std::wstring wineVersion;
};

namespace os_platform {
inline constexpr std::uint32_t kWin32s = 0;
inline constexpr std::uint32_t kWindows = 1;
inline constexpr std::uint32_t kNt = 2;
}  // namespace os_platform

inline constexpr std::uint8_t kProductWorkstation = 1;
inline constexpr std::uint8_t kProductDomainController = 2;
inline constexpr std::uint8_t kProductServer = 3;
inline constexpr std::uint16_t kSuiteHomeServer = 0x8000;  // VER_SUITE_WH_SERVER

// The %OS% code: 0 outside the NT family and for versions the table does not know.
int OsCode(const OsVersionInfo& os);

// Server or domain controller.
bool OsIsServer(const OsVersionInfo& os);

// The short name: "XP", "7", "Server 2008 R2", "10", "11", "NT 6.5", "9x 4.20" ...
std::wstring OsName(const OsVersionInfo& os);

// The edition suffix for a GetProductInfo product type (" Professional"), or empty.
std::wstring OsEditionSuffix(std::uint32_t productInfoType);

// The feature release of a Windows 10 or later workstation by build ("21H2"), or empty.
std::wstring OsFeatureRelease(const OsVersionInfo& os);

// The full description: ["WINE <version> reporting as "] "Windows " name [edition] [" x64"]
// [" " service pack] [" " feature release], trimmed.
std::wstring OsDescription(const OsVersionInfo& os);

}  // namespace vantrel
