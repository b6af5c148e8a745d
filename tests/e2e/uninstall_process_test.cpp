// The uninstaller started as Windows starts it from the product's entry, on a product whose
// installed state the test writes: files, folders, the Uninstall key and Uninstall.DAT.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/child_process.h"
#include "support/installed_product.h"
#include "support/shell_folders.h"
#include "support/test_files.h"
#include "support/ui_driver.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::InstalledProduct;
using test::PathExists;
using test::WaitUntilGone;

constexpr DWORD kTimeoutMs = 120000;
// The self-deletion batch pauses a second between its tries and Wine starts each of its
// programs slowly on a loaded machine: its end gets more time than a process does.
constexpr DWORD kBatchTimeoutMs = 120000;
constexpr const wchar_t* kEnvironmentKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::vector<BYTE> MachinePathBytes(DWORD& type) {
    HKEY key = nullptr;
    std::vector<BYTE> data;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return data;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        RegQueryValueExW(key, L"Path", nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return data;
}

void SetMachinePathBytes(DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Path", 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// The installation's search-path entry: the folder appended to the text before its zero.
std::vector<BYTE> WithEntry(const std::vector<BYTE>& original, const std::wstring& folder) {
    std::wstring text(reinterpret_cast<const wchar_t*>(original.data()), original.size() / sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    const std::wstring tail = end == std::wstring::npos ? L"" : text.substr(end);
    text = text.substr(0, end) + L";" + folder + tail;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

// The engine copied in as the product's uninstaller.
std::wstring PlaceUninstaller(const InstalledProduct& product) {
    const std::wstring path = product.UninstallFolder() + L"\\uninstall.exe";
    CopyFileW(test::HostPathToWindows(VANTREL_ENGINE_EXE).c_str(), path.c_str(), FALSE);
    return path;
}

TEST(UninstallProcess, RemovesEveryTraceButTheUsersFile) {
    test::TempFolder base(L"uninstall-round-trip");
    const std::wstring installDir = base.Join(L"Product");
    CreateDirectoryW(installDir.c_str(), nullptr);
    InstalledProduct product(L"Vantrel E2E Round Trip", installDir);
    const std::vector<std::wstring> files = {
        product.AddFile(L"bin\\app.exe"), product.AddFile(L"bin\\engine.dll"),
        product.AddFile(L"data\\sub\\table.dat"), product.AddFile(L"readme.txt")};
    product.AddProductRegistryKey(L"Vantrel E2E Company\\Round Trip");
    product.SetValue(L"ProductFlags", std::to_wstring(0x4 | 0x1000));
    product.SetValue(L"AddToPathSubfolder", L"bin");
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);
    const std::wstring userFile = installDir + L"\\notes.txt";
    ASSERT_TRUE(test::WriteTestFile(userFile, "mine"));
    DWORD pathType = 0;
    const std::vector<BYTE> pathBefore = MachinePathBytes(pathType);
    ASSERT_FALSE(pathBefore.empty());
    SetMachinePathBytes(pathType, WithEntry(pathBefore, installDir + L"\\bin"));

    ChildProcess child = ChildProcess::Start(uninstaller, L"/a /u:\"Vantrel E2E Round Trip\"");
    ASSERT_TRUE(child.Started());
    const auto code = child.Wait(kTimeoutMs);
    DWORD typeAfter = 0;
    const std::vector<BYTE> pathAfter = MachinePathBytes(typeAfter);
    if (pathAfter != pathBefore)
        SetMachinePathBytes(pathType, pathBefore);  // never leave the prefix's search path changed
    EXPECT_EQ(code, std::optional<DWORD>(0u));
    EXPECT_EQ(pathAfter, pathBefore);
    EXPECT_EQ(typeAfter, pathType);
    EXPECT_FALSE(product.KeyExists());
    EXPECT_FALSE(test::MachineKeyExists(L"Software\\Vantrel E2E Company"));
    for (const std::wstring& file : files)
        EXPECT_FALSE(PathExists(file)) << testing::PrintToString(file);
    EXPECT_FALSE(PathExists(installDir + L"\\bin"));
    EXPECT_FALSE(PathExists(installDir + L"\\data"));
    EXPECT_FALSE(PathExists(product.DataFilePath()));
    EXPECT_TRUE(PathExists(userFile));
    // The uninstaller goes once its batch has run, and its folder with it.
    EXPECT_TRUE(WaitUntilGone(uninstaller, kBatchTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(product.UninstallFolder(), kBatchTimeoutMs));
    EXPECT_TRUE(PathExists(userFile));
}

TEST(UninstallProcess, LockedFileIsReportedThenASecondRunFinishes) {
    test::TempFolder installDir(L"uninstall-locked-process");
    InstalledProduct product(L"Vantrel E2E Locked", installDir.Path());
    const std::wstring locked = product.AddFile(L"bin\\busy.dll");
    const std::wstring free = product.AddFile(L"bin\\idle.dll");
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);
    {
        test::LockedFile lock(locked);
        ASSERT_TRUE(lock.Valid());
        ChildProcess child = ChildProcess::Start(uninstaller, L"/a /u:\"Vantrel E2E Locked\"");
        HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
        ASSERT_NE(box, nullptr);
        const std::wstring text = test::AllStaticText(box);
        EXPECT_NE(text.find(L"Unable to delete: " + locked), std::wstring::npos)
            << testing::PrintToString(text);
        ASSERT_TRUE(test::PressButton(box, L"OK"));
        EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
    }
    EXPECT_TRUE(product.KeyExists());
    EXPECT_TRUE(PathExists(product.DataFilePath()));
    EXPECT_TRUE(PathExists(uninstaller));
    EXPECT_FALSE(PathExists(free));
    EXPECT_TRUE(PathExists(locked));

    ChildProcess second = ChildProcess::Start(uninstaller, L"/a /u:\"Vantrel E2E Locked\"");
    EXPECT_EQ(second.Wait(kTimeoutMs), std::optional<DWORD>(0u));
    EXPECT_FALSE(PathExists(locked));
    EXPECT_FALSE(product.KeyExists());
    EXPECT_TRUE(WaitUntilGone(uninstaller, kBatchTimeoutMs));
}

// A Start-menu name in the registry that climbs out of the Programs folder ("..\..\...") must
// not lead the uninstaller to folders the installation never made: an empty one and one
// that holds only its desktop.ini both stay.
TEST(UninstallProcess, AStartMenuNameThatClimbsOutOfTheProgramsFolderTouchesNothingThere) {
    test::TempFolder base(L"uninstall-start-menu-climb");
    const std::wstring outside = base.Join(L"Outside");
    const std::wstring empty = outside + L"\\Empty";
    ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(empty.c_str(), nullptr));
    ASSERT_TRUE(test::WriteTestFile(outside + L"\\desktop.ini", "[.ShellClassInfo]"));
    const std::wstring programs = SMProgramsFolder();
    if (programs.size() < 3 || empty.size() < 3 || towupper(programs[0]) != towupper(empty[0]))
        GTEST_SKIP() << "the Programs folder is not on the drive of the temporary folder";
    // One ".." for each folder of the Programs folder's path below the drive's root.
    std::wstring climb;
    for (auto n = std::count(programs.begin() + 2, programs.end(), L'\\'); n > 0; --n)
        climb += L"..\\";
    const std::wstring installDir = base.Join(L"Product");
    ASSERT_TRUE(CreateDirectoryW(installDir.c_str(), nullptr));
    InstalledProduct product(L"Vantrel E2E Start Menu Climb", installDir);
    product.AddFile(L"app.exe");
    product.SetValue(L"ProductStartMenu", climb + empty.substr(3));
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);

    ChildProcess child = ChildProcess::Start(uninstaller, L"/a /u:\"Vantrel E2E Start Menu Climb\"");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
    EXPECT_FALSE(product.KeyExists());
    EXPECT_TRUE(PathExists(empty));
    EXPECT_TRUE(PathExists(outside + L"\\desktop.ini"));
    EXPECT_TRUE(WaitUntilGone(uninstaller, kBatchTimeoutMs));
}

}  // namespace
}  // namespace vantrel
