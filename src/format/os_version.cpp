#include "format/os_version.h"

#include <array>

#include "format/text_format.h"

namespace vantrel {
namespace {

std::wstring Number(std::uint32_t value) {
    return DecimalText(value);
}

std::wstring Trimmed(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return {};
    const std::size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

struct Edition {
    std::uint32_t productType;
    const wchar_t* suffix;
};

// GetProductInfo product types (PRODUCT_*) and how they read in a description.
constexpr std::array<Edition, 60> kEditions = {{
    {0x01, L" Ultimate"},
    {0x02, L" Home Basic"},
    {0x03, L" Home Premium"},
    {0x04, L" Enterprise"},
    {0x05, L" Home Basic N"},
    {0x06, L" Business"},
    {0x07, L" Server Standard"},
    {0x08, L" Datacenter"},
    {0x09, L" Small Business Server"},
    {0x0A, L" Server Enterprise"},
    {0x0B, L" Starter"},
    {0x0C, L" Datacenter (core installation)"},
    {0x0D, L" Server Standard (core installation)"},
    {0x0E, L" Server Enterprise (core installation)"},
    {0x0F, L" Server Enterprise for Itanium-based Systems"},
    {0x10, L" Business N"},
    {0x11, L" Web Server"},
    {0x12, L" HPC Edition"},
    {0x13, L" Home Server"},
    {0x14, L" Storage Server Express"},
    {0x15, L" Storage Server Standard"},
    {0x16, L" Storage Server Workgroup"},
    {0x17, L" Storage Server Enterprise"},
    {0x18, L" Server for Small Business"},
    {0x19, L" Small Business Server Premium"},
    {0x1A, L" Home Premium N"},
    {0x1B, L" Enterprise N"},
    {0x1C, L" Ultimate N"},
    {0x1D, L" Web Server (core installation)"},
    {0x1E, L" Essential Business Server Management Server"},
    {0x1F, L" Essential Business Server Security Server"},
    {0x20, L" Essential Business Server Messaging Server"},
    {0x21, L" Server Foundation"},
    {0x22, L" Home Server 2011"},
    {0x24, L" Server Standard without Hyper-V"},
    {0x25, L" Datacenter without Hyper-V"},
    {0x26, L" Server Enterprise without Hyper-V"},
    {0x2A, L" Hyper-V Server"},
    {0x2F, L" Starter N"},
    {0x30, L" Professional"},
    {0x31, L" Professional N"},
    {0x32, L" Small Business Server Essentials"},
    {0x48, L" Enterprise Evaluation"},
    {0x4F, L" Server Standard Evaluation"},
    {0x50, L" Datacenter Evaluation"},
    {0x54, L" Enterprise N Evaluation"},
    {0x62, L" Home N"},
    {0x63, L" Home China"},
    {0x64, L" Home Single Language"},
    {0x65, L" Home"},
    {0x67, L" Professional with Media Center"},
    {0x79, L" Education"},
    {0x7A, L" Education N"},
    {0x7D, L" Enterprise LTSC"},
    {0x7E, L" Enterprise N LTSC"},
    {0xA1, L" Pro for Workstations"},
    {0xA2, L" Pro for Workstations N"},
    {0xA4, L" Pro Education"},
    {0xA5, L" Pro Education N"},
    {0xAF, L" Enterprise multi-session"},
}};

struct FeatureRelease {
    std::uint32_t build;
    const wchar_t* name;
};

// Windows 10 and 11 workstation builds and the names their feature releases are known by.
constexpr std::array<FeatureRelease, 20> kFeatureReleases = {{
    {10240, L"1507"}, {10586, L"1511"}, {14393, L"1607"}, {15063, L"1703"}, {16299, L"1709"},
    {17134, L"1803"}, {17763, L"1809"}, {18362, L"1903"}, {18363, L"1909"}, {19041, L"2004"},
    {19042, L"20H2"}, {19043, L"21H1"}, {19044, L"21H2"}, {19045, L"22H2"}, {22000, L"21H2"},
    {22621, L"22H2"}, {22631, L"23H2"}, {26100, L"24H2"}, {26200, L"25H2"}, {0, nullptr},
}};

std::wstring NtName(const OsVersionInfo& os) {
    const bool server = OsIsServer(os);
    const std::uint32_t major = os.major;
    const std::uint32_t minor = os.minor;
    if (major == 5) {
        switch (minor) {
            case 0:
                return L"2000";
            case 1:
                return L"XP";
            case 2:
                if (os.suiteMask & kSuiteHomeServer)
                    return L"Home Server";
                if (!server)
                    return L"XP";
                return os.serverR2 ? L"Server 2003 R2" : L"Server 2003";
            default:
                return L"NT 5." + Number(minor);
        }
    }
    if (major == 6) {
        switch (minor) {
            case 0:
                return server ? L"Server 2008" : L"Vista";
            case 1:
                return server ? L"Server 2008 R2" : L"7";
            case 2:
                return server ? L"Server 2012" : L"8";
            case 3:
                return server ? L"Server 2012 R2" : L"8.1";
            case 4:
                return L"10";  // the preview releases of Windows 10 reported 6.4
            default:
                return L"NT 6." + Number(minor);
        }
    }
    if (major == 10 && minor == 0) {
        if (!server)
            return os.build >= 21996 ? L"11" : L"10";
        if (os.build < 17733)
            return L"Server 2016";
        if (os.build < 20298)
            return L"Server 2019";
        if (os.build < 26040)
            return L"Server 2022";
        return L"Server 2025";
    }
    if (major == 4 && minor == 0)
        return L"NT 4.0";
    return L"NT " + Number(major) + L"." + Number(minor);
}

}  // namespace

bool OsIsServer(const OsVersionInfo& os) {
    return os.productType == kProductDomainController || os.productType == kProductServer;
}

int OsCode(const OsVersionInfo& os) {
    if (os.platformId != os_platform::kNt)
        return 0;
    const bool server = OsIsServer(os);
    const std::uint32_t version = os.major * 100 + os.minor;
    switch (version) {
        case 501:
            return 20;
        case 502:
            if (os.suiteMask & kSuiteHomeServer)
                return 28;
            if (!server)
                return os.is64BitWindows ? 24 : 20;
            return os.serverR2 ? 26 : 22;
        case 600:
            return server ? 32 : 30;
        case 601:
            return server ? 34 : 36;
        case 602:
            return server ? 42 : 40;
        case 603:
            return server ? 46 : 44;
        case 604:
            return 48;
        case 1000:
            if (!server)
                return os.build >= 21996 ? 56 : 48;
            if (os.build < 17733)
                return 50;
            if (os.build < 20298)
                return 52;
            return 60;
        default:
            return 0;
    }
}

std::wstring OsName(const OsVersionInfo& os) {
    if (os.platformId == os_platform::kNt)
        return NtName(os);
    if (os.platformId == os_platform::kWindows) {
        if (os.major == 4 && os.minor == 0)
            return L"95";
        if (os.major == 4 && os.minor == 10)
            return L"98";
        if (os.major == 4 && os.minor == 90)
            return L"ME";
        return L"9x " + Number(os.major) + L"." + Number(os.minor);
    }
    return L"Win32s";
}

std::wstring OsEditionSuffix(std::uint32_t productInfoType) {
    for (const Edition& edition : kEditions) {
        if (edition.productType == productInfoType)
            return edition.suffix;
    }
    return {};
}

std::wstring OsFeatureRelease(const OsVersionInfo& os) {
    if (os.platformId != os_platform::kNt || os.major < 10 || OsIsServer(os))
        return {};
    for (const FeatureRelease& release : kFeatureReleases) {
        if (release.name != nullptr && release.build == os.build)
            return release.name;
    }
    return {};
}

std::wstring OsDescription(const OsVersionInfo& os) {
    std::wstring text;
    if (!os.wineVersion.empty())
        text += L"WINE " + os.wineVersion + L" reporting as ";
    text += L"Windows " + OsName(os);
    if (os.platformId == os_platform::kNt && os.major >= 6)
        text += OsEditionSuffix(os.productInfoType);
    if (os.is64BitWindows)
        text += L" x64";
    if (!os.servicePack.empty())
        text += L" " + os.servicePack;
    const std::wstring release = OsFeatureRelease(os);
    if (!release.empty())
        text += L" " + release;
    return Trimmed(text);
}

}  // namespace vantrel
