#include "format/os_version.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kDomainController = 2;
constexpr std::uint8_t kServer = 3;

OsVersionInfo Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t build, std::uint8_t type) {
    OsVersionInfo os;
    os.major = major;
    os.minor = minor;
    os.build = build;
    os.productType = type;
    return os;
}

struct OsCase {
    const char* name;
    OsVersionInfo os;
    int code;
    const wchar_t* shortName;
};

OsVersionInfo With64Bit(OsVersionInfo os) {
    os.is64BitWindows = true;
    return os;
}
OsVersionInfo WithR2(OsVersionInfo os) {
    os.serverR2 = true;
    return os;
}
OsVersionInfo WithHomeServer(OsVersionInfo os) {
    os.suiteMask = kSuiteHomeServer;
    return os;
}
OsVersionInfo Platform(std::uint32_t platform, std::uint32_t major, std::uint32_t minor) {
    OsVersionInfo os = Nt(major, minor, 0, kWorkstation);
    os.platformId = platform;
    return os;
}

class OsTable : public testing::TestWithParam<OsCase> {};

TEST_P(OsTable, CodeAndName) {
    EXPECT_EQ(OsCode(GetParam().os), GetParam().code);
    EXPECT_EQ(OsName(GetParam().os), GetParam().shortName);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OsTable,
    testing::Values(OsCase{"Windows95", Platform(os_platform::kWindows, 4, 0), 0, L"95"},
                    OsCase{"Windows98", Platform(os_platform::kWindows, 4, 10), 0, L"98"},
                    OsCase{"WindowsMe", Platform(os_platform::kWindows, 4, 90), 0, L"ME"},
                    OsCase{"Unknown9x", Platform(os_platform::kWindows, 4, 20), 0, L"9x 4.20"},
                    OsCase{"Win32s", Platform(os_platform::kWin32s, 3, 10), 0, L"Win32s"},
                    OsCase{"Nt351", Nt(3, 51, 1057, kWorkstation), 0, L"NT 3.51"},
                    OsCase{"Nt4", Nt(4, 0, 1381, kWorkstation), 0, L"NT 4.0"},
                    OsCase{"Windows2000", Nt(5, 0, 2195, kWorkstation), 0, L"2000"},
                    OsCase{"Xp", Nt(5, 1, 2600, kWorkstation), 20, L"XP"},
                    OsCase{"Xp64", With64Bit(Nt(5, 2, 3790, kWorkstation)), 24, L"XP"},
                    OsCase{"Workstation52Of32Bit", Nt(5, 2, 3790, kWorkstation), 20, L"XP"},
                    OsCase{"Server2003", Nt(5, 2, 3790, kServer), 22, L"Server 2003"},
                    OsCase{"Server2003R2", WithR2(Nt(5, 2, 3790, kServer)), 26, L"Server 2003 R2"},
                    OsCase{"HomeServer", WithHomeServer(Nt(5, 2, 3790, kServer)), 28, L"Home Server"},
                    OsCase{"Unknown5x", Nt(5, 3, 0, kWorkstation), 0, L"NT 5.3"},
                    OsCase{"Vista", Nt(6, 0, 6002, kWorkstation), 30, L"Vista"},
                    OsCase{"Server2008", Nt(6, 0, 6002, kServer), 32, L"Server 2008"},
                    OsCase{"Windows7", Nt(6, 1, 7601, kWorkstation), 36, L"7"},
                    OsCase{"Server2008R2", Nt(6, 1, 7601, kServer), 34, L"Server 2008 R2"},
                    OsCase{"DomainControllerIsServer", Nt(6, 1, 7601, kDomainController), 34,
                           L"Server 2008 R2"},
                    OsCase{"Windows8", Nt(6, 2, 9200, kWorkstation), 40, L"8"},
                    OsCase{"Server2012", Nt(6, 2, 9200, kServer), 42, L"Server 2012"},
                    OsCase{"Windows81", Nt(6, 3, 9600, kWorkstation), 44, L"8.1"},
                    OsCase{"Server2012R2", Nt(6, 3, 9600, kServer), 46, L"Server 2012 R2"},
                    OsCase{"Preview64", Nt(6, 4, 9841, kWorkstation), 48, L"10"},
                    OsCase{"Unknown6x", Nt(6, 5, 0, kWorkstation), 0, L"NT 6.5"},
                    OsCase{"Windows10", Nt(10, 0, 19045, kWorkstation), 48, L"10"},
                    OsCase{"Windows10LastBuildBefore11", Nt(10, 0, 21995, kWorkstation), 48, L"10"},
                    OsCase{"Windows11", Nt(10, 0, 21996, kWorkstation), 56, L"11"},
                    OsCase{"Server2016", Nt(10, 0, 14393, kServer), 50, L"Server 2016"},
                    OsCase{"Server2019First", Nt(10, 0, 17733, kServer), 52, L"Server 2019"},
                    OsCase{"Server2019Last", Nt(10, 0, 20297, kServer), 52, L"Server 2019"},
                    OsCase{"Server2022", Nt(10, 0, 20348, kServer), 60, L"Server 2022"},
                    OsCase{"Server2025", Nt(10, 0, 26100, kServer), 60, L"Server 2025"},
                    OsCase{"Unknown", Nt(11, 0, 0, kWorkstation), 0, L"NT 11.0"}),
    test::CaseName);

TEST(OsDescription, PlainWindows7WithServicePack) {
    OsVersionInfo os = Nt(6, 1, 7601, kWorkstation);
    os.productInfoType = 0x01;
    os.is64BitWindows = true;
    os.servicePack = L"Service Pack 1";
    EXPECT_EQ(OsDescription(os), L"Windows 7 Ultimate x64 Service Pack 1");
}

TEST(OsDescription, WinePrefixAndFeatureRelease) {
    OsVersionInfo os = Nt(10, 0, 19045, kWorkstation);
    os.productInfoType = 0x30;
    os.is64BitWindows = true;
    os.wineVersion = L"8.0";
    EXPECT_EQ(OsDescription(os), L"WINE 8.0 reporting as Windows 10 Professional x64 22H2");
    EXPECT_EQ(OsName(os), L"10");
}

TEST(OsDescription, NoEditionBeforeVersion6AndNoneForUnknownTypes) {
    OsVersionInfo xp = Nt(5, 1, 2600, kWorkstation);
    xp.productInfoType = 0x30;  // ignored: GetProductInfo does not exist before version 6
    xp.servicePack = L"Service Pack 3";
    EXPECT_EQ(OsDescription(xp), L"Windows XP Service Pack 3");
    OsVersionInfo seven = Nt(6, 1, 7600, kWorkstation);
    seven.productInfoType = 0xABCDEF;
    EXPECT_EQ(OsDescription(seven), L"Windows 7");
}

TEST(OsDescription, ServersHaveNoFeatureRelease) {
    OsVersionInfo os = Nt(10, 0, 17763, kServer);
    os.productInfoType = 0x07;
    os.is64BitWindows = true;
    EXPECT_EQ(OsDescription(os), L"Windows Server 2019 Server Standard x64");
    EXPECT_EQ(OsFeatureRelease(os), L"");
}

TEST(OsDescription, Windows11And9xFamily) {
    OsVersionInfo eleven = Nt(10, 0, 22631, kWorkstation);
    eleven.productInfoType = 0x65;
    eleven.is64BitWindows = true;
    EXPECT_EQ(OsDescription(eleven), L"Windows 11 Home x64 23H2");
    EXPECT_EQ(OsDescription(Platform(os_platform::kWindows, 4, 10)), L"Windows 98");
}

}  // namespace
}  // namespace vantrel
