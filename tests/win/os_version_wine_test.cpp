// The operating-system variables under the Windows versions the Wine prefix can pretend to
// be. Wine's answers are the platform here: each case runs a copy of the probe program under
// its own file name, with a per-program Windows version set for that name.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/os_info.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

constexpr DWORD kTimeoutMs = 20000;

std::map<std::wstring, std::wstring> ReadReport(const std::wstring& path) {
    std::map<std::wstring, std::wstring> values;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return values;
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    const std::wstring text = Utf8ToUtf16(std::string_view(bytes.data(), read));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        const std::size_t equals = line.find(L'=');
        if (equals != std::wstring::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return values;
}

// HKCU\Software\Wine\AppDefaults\<exe>\Version for the life of one test.
class WineVersionOverride {
  public:
    WineVersionOverride(const std::wstring& exeName, const std::wstring& version)
        : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                           static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    ~WineVersionOverride() { RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }
    WineVersionOverride(const WineVersionOverride&) = delete;
    WineVersionOverride& operator=(const WineVersionOverride&) = delete;

  private:
    std::wstring key_;
};

struct WindowsCase {
    const char* name;
    const wchar_t* wineVersion;  // the AppDefaults value; null for the prefix's own version
    const wchar_t* code;
    const wchar_t* major;
    const wchar_t* minor;
    const wchar_t* server;
    const wchar_t* osName;
    const wchar_t* descriptionStart;  // after "WINE <version> reporting as "
};

class UnderWindowsVersion : public testing::TestWithParam<WindowsCase> {};

TEST_P(UnderWindowsVersion, ReportsTheOperatingSystemVariables) {
    const WindowsCase& c = GetParam();
    const std::wstring versionName = c.wineVersion != nullptr ? c.wineVersion : L"default";
    const std::wstring exeName = L"vantrel-osprobe-" + versionName + L".exe";
    test::TempFolder folder(L"osprobe-" + versionName);
    const std::wstring exe = folder.Join(exeName);
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_OS_PROBE_EXE).c_str(), exe.c_str(), FALSE));
    std::optional<WineVersionOverride> version;
    if (c.wineVersion != nullptr)
        version.emplace(exeName, c.wineVersion);
    const std::wstring reportPath = folder.Join(L"report.txt");
    test::ChildProcess child = test::ChildProcess::Start(exe, L"\"" + reportPath + L"\"");
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));

    auto values = ReadReport(reportPath);
    EXPECT_EQ(values[L"%OS%"], c.code);
    EXPECT_EQ(values[L"%OSMajor%"], c.major);
    EXPECT_EQ(values[L"%OSMinor%"], c.minor);
    EXPECT_EQ(values[L"%OSServer%"], c.server);
    EXPECT_EQ(values[L"%OSName%"], c.osName);
    const std::wstring prefix = L"WINE " + WineVersion() + L" reporting as " + c.descriptionStart;
    const std::wstring& description = values[L"%OSDescription%"];
    EXPECT_EQ(description.substr(0, prefix.size()), prefix) << description;
    EXPECT_NE(description.find(L" x64"), std::wstring::npos) << description;
    EXPECT_EQ(values[L"%Bits%"], L"64");
    EXPECT_EQ(values[L"%ProgramsDir32%"], L"C:\\Program Files (x86)");
    EXPECT_EQ(values[L"%ProgramsDir64%"], L"C:\\Program Files");
    EXPECT_EQ(values[L"%CommonDir32%"], L"C:\\Program Files (x86)\\Common Files");
    EXPECT_EQ(values[L"%CommonDir64%"], L"C:\\Program Files\\Common Files");
    RecordProperty("OSDescription", Utf16ToUtf8(description));
}

// The probe carries the engine's manifest: Windows 10 reports 10.0, not the 6.2 that
// programs without a supportedOS entry see. Wine 8.0 answers the per-program name "win7"
// with Windows Server 2008 R2 (the prefix's own default is Windows 7), which gives the one
// row where the server code of 6.1 is lower than the workstation code.
INSTANTIATE_TEST_SUITE_P(
    Table, UnderWindowsVersion,
    testing::Values(WindowsCase{"WindowsXp64", L"winxp64", L"24", L"5", L"2", L"0", L"XP", L"Windows XP x64"},
                    WindowsCase{"Server2003", L"win2003", L"22", L"5", L"2", L"1", L"Server 2003",
                                L"Windows Server 2003 x64"},
                    WindowsCase{"Vista", L"vista", L"30", L"6", L"0", L"0", L"Vista", L"Windows Vista"},
                    WindowsCase{"Server2008", L"win2008", L"32", L"6", L"0", L"1", L"Server 2008",
                                L"Windows Server 2008"},
                    WindowsCase{"Windows7PrefixDefault", nullptr, L"36", L"6", L"1", L"0", L"7",
                                L"Windows 7"},
                    WindowsCase{"Server2008R2", L"win7", L"34", L"6", L"1", L"1", L"Server 2008 R2",
                                L"Windows Server 2008 R2"},
                    WindowsCase{"Windows8", L"win8", L"40", L"6", L"2", L"0", L"8", L"Windows 8"},
                    WindowsCase{"Windows81", L"win81", L"44", L"6", L"3", L"0", L"8.1", L"Windows 8.1"},
                    WindowsCase{"Windows10", L"win10", L"48", L"10", L"0", L"0", L"10", L"Windows 10"}),
    test::CaseName);

TEST(UnderWindowsVersion, Windows10DescriptionNamesTheFeatureRelease) {
    // With the manifest Wine reports build 18362 for "win10".
    test::TempFolder folder(L"osprobe-win10-release");
    const std::wstring exe = folder.Join(L"vantrel-osprobe-release.exe");
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_OS_PROBE_EXE).c_str(), exe.c_str(), FALSE));
    WineVersionOverride version(L"vantrel-osprobe-release.exe", L"win10");
    const std::wstring reportPath = folder.Join(L"report.txt");
    test::ChildProcess child = test::ChildProcess::Start(exe, L"\"" + reportPath + L"\"");
    ASSERT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
    const std::wstring description = ReadReport(reportPath)[L"%OSDescription%"];
    EXPECT_EQ(description.substr(description.size() - 9), L" x64 1903") << description;
}

}  // namespace
}  // namespace vantrel
