// The whole life of a product as processes: a setup built here installs it silently, and
// the uninstaller that the installation registered, started with its quiet command, leaves
// the machine as it found it: files, folders, registry entries, the file type it took over,
// the Start-menu shortcut and the product's uninstall entry, and tells the product's server.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/installed_product.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_registry.h"
#include "win/loopback_server.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::FilledFile;
using test::KeyExists;
using test::PathExists;
using test::RegistryText;
using test::WaitUntilGone;

// Processes start slowly under Wine on a loaded machine; the waits end early on success.
constexpr DWORD kTimeoutMs = 120000;
constexpr DWORD kBatchTimeoutMs = 120000;
constexpr const wchar_t* kProduct = L"Vantrel E2E Full Circle";
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel E2E Full Circle";
constexpr const wchar_t* kSettingsKey = L"Software\\Vantrel E2E Full Circle";
// The product's own key below HKLM\Software (and each user's Software), with its maker's.
constexpr const wchar_t* kProductKey = L"Vantrel E2E Full Circle Maker\\Full Circle";
constexpr const wchar_t* kMakerKey = L"Software\\Vantrel E2E Full Circle Maker";
constexpr const wchar_t* kExtension = L".vantrelfullcircle";
constexpr const wchar_t* kOtherFileType = L"VantrelFullCircle.OtherApp";
constexpr const wchar_t* kOurFileType = L"VantrelFullCircle.Document";
constexpr const wchar_t* kShortcutName = L"Full Circle App";

std::string Narrow(const std::wstring& text) {
    return Utf16ToWindows1252(text);
}

// Names of the values of a key, in the order the system lists them.
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key) {
    std::vector<std::wstring> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumValueW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(opened);
    return names;
}

void SetDefaultText(const std::wstring& key, const std::wstring& text) {
    ASSERT_TRUE(test::SetRegistryText(HKEY_CLASSES_ROOT, key, nullptr, text));
}

// The product's folder in the current user's Start menu.
std::wstring StartMenuFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\" + kProduct;
}

// The quiet uninstall command split into the program and its arguments:
// "\"C:\\...\\uninstall.exe\" /a /u:\"Name\"".
bool SplitCommand(const std::wstring& command, std::wstring& program, std::wstring& arguments) {
    if (command.empty() || command[0] != L'"')
        return false;
    const std::size_t close = command.find(L'"', 1);
    if (close == std::wstring::npos)
        return false;
    program = command.substr(1, close - 1);
    arguments = command.substr(close + 1);
    const std::size_t first = arguments.find_first_not_of(L' ');
    arguments = first == std::wstring::npos ? std::wstring() : arguments.substr(first);
    return true;
}

// The machine of this test: its folders, and everything it may leave in the registry
// removed before and after, whatever the outcome.
struct Machine {
    Machine()
        : root(L"uninstall-full-circle"), installDir(root.Join(L"app")), evidence(root.Join(L"evidence")) {
        CreateDirectoryW(evidence.c_str(), nullptr);
        Clean();
    }
    ~Machine() { Clean(); }
    static void Clean() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
        for (const wchar_t* key : {kSettingsKey, kMakerKey}) {
            for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
                RegDeleteTreeW(root, key);
                RegDeleteKeyW(root, key);
            }
        }
        for (const wchar_t* key : {kExtension, kOtherFileType, kOurFileType}) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
            RegDeleteKeyW(HKEY_CLASSES_ROOT, key);
        }
        const std::wstring startMenu = StartMenuFolder();
        DeleteFileW((startMenu + L"\\" + kShortcutName + L".lnk").c_str());
        RemoveDirectoryW(startMenu.c_str());
    }
    std::wstring Marker(const wchar_t* name) const { return evidence + L"\\" + name + L".txt"; }

    test::TempFolder root;
    std::wstring installDir;
    std::wstring evidence;
};

Settings FullCircleSettings(const Machine& machine, const std::wstring& notifyAddress) {
    Settings s = test::FixtureSettings(kProduct);
    s.companyName = L"Vantrel E2E Company";
    s.productVersion = L"1.4";
    s.defaultInstallFolder = machine.installDir;
    s.uninstallSubfolder = L"uninstall";
    s.uninstallerFileName = "uninstall.exe";
    s.uninstallKeyName = kProduct;
    s.startMenuFolder = kProduct;
    s.productRegistryKey = kProductKey;
    s.productFlagsLow |=
        product_flags::kRegisterForUninstall | product_flags::kCreateLog | product_flags::kCompressedBlocks;
    // Values written now and removed again by the uninstaller, then their keys once empty.
    const std::wstring key = std::wstring(L"\\HKCU\\") + kSettingsKey;
    s.registryInstructions = key + L",Colour,1,blue,3\r\n" + key + L"\\Options,Size,1,large,3\r\n" + key +
                             L"\\Options\r\n" + key + L"\r\n";
    // A file type that takes over an extension another program had.
    FileAssociationRecord association;
    association.kind = 1;
    association.extension = Narrow(kExtension);
    association.fileType = Narrow(kOurFileType);
    association.description = "Full Circle document";
    association.verbs = "open";
    association.command = L"\"%InstallDir%\\bin\\app.exe\" \"%1\"";
    s.associations = {association};
    ShortcutRecord shortcut;
    shortcut.target = L"%InstallDir%\\bin\\app.exe";
    shortcut.name = kShortcutName;
    shortcut.startMenu = 1;
    s.shortcuts = {shortcut};
    // Each batch leaves a marker with the folder it was told about.
    s.uninstallBatch1 = "echo %InstallDir%> \"" + Narrow(machine.Marker(L"batch1")) + "\"\r\n";
    s.uninstallBatch2 = "echo %ProductName%> \"" + Narrow(machine.Marker(L"batch2")) + "\"\r\n";
    s.uninstallNotification = notifyAddress;
    return s;
}

std::vector<PayloadFileInput> FullCircleFiles() {
    return {FilledFile("bin\\app.exe", 40000, 0x4D), FilledFile("bin\\engine.dll", 9000, 0x45),
            FilledFile("data\\sub\\table.dat", 3000, 't'), FilledFile("readme.txt", 800, 'r')};
}

const std::vector<std::wstring> kInstalledFiles = {L"bin\\app.exe", L"bin\\engine.dll",
                                                   L"data\\sub\\table.dat", L"readme.txt"};

TEST(UninstallRoundTrip, TheRegisteredUninstallerLeavesTheMachineAsItWas) {
    Machine machine;
    test::LoopbackServer server(true);
    // Before: the extension belongs to another program.
    SetDefaultText(kExtension, kOtherFileType);
    SetDefaultText(std::wstring(kOtherFileType) + L"\\shell\\open\\command", L"other.exe \"%1\"");
    const std::wstring startMenuFolder = StartMenuFolder();
    ASSERT_FALSE(PathExists(machine.installDir));
    ASSERT_FALSE(PathExists(startMenuFolder));

    const std::wstring setup = machine.root.Join(L"setup.exe");
    ASSERT_TRUE(
        test::BuildSetup(test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE)),
                         FullCircleSettings(machine, server.Address(L"/gone?v=%version%&s=%Session%")),
                         FullCircleFiles())
            .Save(setup));
    ChildProcess install = ChildProcess::Start(setup, L"/silent");
    ASSERT_TRUE(install.Started());
    EXPECT_EQ(install.Wait(kTimeoutMs), std::optional<DWORD>(1u));

    // Installed: the files, the entry Windows lists, the values, the file type, the link.
    for (const std::wstring& file : kInstalledFiles)
        EXPECT_TRUE(PathExists(machine.installDir + L"\\" + file)) << testing::PrintToString(file);
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kSettingsKey, L"Colour"), std::optional<std::wstring>(L"blue"));
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::wstring(kSettingsKey) + L"\\Options", L"Size"),
              std::optional<std::wstring>(L"large"));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kExtension, L""), std::optional<std::wstring>(kOurFileType));
    EXPECT_TRUE(PathExists(startMenuFolder + L"\\" + kShortcutName + L".lnk"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\") + kProductKey));
    const std::optional<std::wstring> quiet =
        RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(quiet) << "the installation registered no uninstaller";
    std::wstring uninstaller;
    std::wstring arguments;
    ASSERT_TRUE(SplitCommand(*quiet, uninstaller, arguments)) << testing::PrintToString(*quiet);
    EXPECT_EQ(arguments, L"/a /u:\"" + std::wstring(kProduct) + L"\"");
    ASSERT_TRUE(PathExists(uninstaller));
    std::uint64_t session = 0;
    DWORD size = sizeof session;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"Session", RRF_RT_REG_QWORD, nullptr, &session,
                           &size),
              ERROR_SUCCESS);

    ChildProcess uninstall = ChildProcess::Start(uninstaller, arguments);
    ASSERT_TRUE(uninstall.Started()) << testing::PrintToString(*quiet);
    EXPECT_EQ(uninstall.Wait(kTimeoutMs), std::optional<DWORD>(0u));

    // The uninstaller waited for its notification: it carries the installation's session.
    char sessionHex[24];
    std::snprintf(sessionHex, sizeof sessionHex, "%llX", static_cast<unsigned long long>(session));
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
              "GET /gone?v=1.4&s=" + std::string(sessionHex) + " HTTP/1.0");

    // Both uninstall batches ran, each with the product's values.
    EXPECT_EQ(test::ReadTestFile(machine.Marker(L"batch1")), Narrow(machine.installDir) + "\r\n");
    EXPECT_EQ(test::ReadTestFile(machine.Marker(L"batch2")), Narrow(kProduct) + "\r\n");
    // Files, folders and the link are gone, and the entry with them.
    for (const std::wstring& file : kInstalledFiles)
        EXPECT_FALSE(PathExists(machine.installDir + L"\\" + file)) << testing::PrintToString(file);
    EXPECT_FALSE(PathExists(machine.installDir + L"\\bin"));
    EXPECT_FALSE(PathExists(machine.installDir + L"\\data"));
    EXPECT_FALSE(PathExists(startMenuFolder));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // The registry entries and their keys.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMakerKey));
    // The extension is the other program's again, with nothing of ours left in it.
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kExtension, L""), std::optional<std::wstring>(kOtherFileType));
    EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, kExtension), std::vector<std::wstring>{L""});
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kExtension) + L"\\OpenWithProgids"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kOurFileType));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, std::wstring(kOtherFileType) + L"\\shell\\open\\command", L""),
              std::optional<std::wstring>(L"other.exe \"%1\""));
    // The uninstaller removes itself once it has ended, and the emptied folders with it.
    EXPECT_TRUE(WaitUntilGone(uninstaller, kBatchTimeoutMs));
    EXPECT_TRUE(WaitUntilGone(machine.installDir, kBatchTimeoutMs));
}

// The same removal on an installed state the test writes itself (what the installation
// steps record): the uninstall batches, the registry script and the file type restored from
// its backup, through the engine's own uninstaller process.
TEST(UninstallRoundTrip, TheEngineUndoesWhatTheInstallationStepsRecorded) {
    constexpr const wchar_t* kName = L"Vantrel E2E Recorded Steps";
    const std::wstring settingsKey = L"Software\\Vantrel E2E Recorded Steps";
    const std::wstring extension = L".vantrelrecorded";
    const std::wstring ourType = L"VantrelRecorded.Document";
    const std::wstring otherType = L"VantrelRecorded.Other";
    auto clean = [&] {
        RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, settingsKey.c_str());
        for (const std::wstring& key : {extension, ourType}) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
            RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        }
    };
    clean();
    test::TempFolder root(L"uninstall-recorded-steps");
    const std::wstring installDir = root.Join(L"app");
    const std::wstring evidence = root.Join(L"evidence");
    CreateDirectoryW(installDir.c_str(), nullptr);
    CreateDirectoryW(evidence.c_str(), nullptr);
    test::InstalledProduct product(kName, installDir);
    const std::wstring file = product.AddFile(L"bin\\app.exe");
    product.SetValue(L"UninstallBatch1", L"echo %InstallDir%> \"" + evidence + L"\\batch1.txt\"\r\n");
    product.SetValue(L"UninstallBatch2", L"echo %ProductName%> \"" + evidence + L"\\batch2.txt\"\r\n");
    // What the registry step left: a value to remove at uninstallation, and its key.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settingsKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Colour", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"blue"), 5 * sizeof(wchar_t));
    RegCloseKey(key);
    const std::wstring instructionKey = L"\\HKCU\\" + settingsKey;
    product.Data().registryScript =
        Utf16ToUtf8(instructionKey + L",Colour,1,blue,3\r\n" + instructionKey + L"\r\n");
    // What the association step left: the extension taken over, its old owner in the backup.
    SetDefaultText(extension, ourType);
    SetDefaultText(ourType + L"\\shell\\open\\command", L"app.exe \"%1\"");
    const std::wstring backup = std::wstring(kName) + L" Backup";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, extension.c_str(), backup.c_str(), REG_SZ, otherType.c_str(),
                              static_cast<DWORD>((otherType.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    product.Data().associations = {{Narrow(extension), Narrow(ourType), "open", L""}};
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = product.UninstallFolder() + L"\\uninstall.exe";
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_ENGINE_EXE).c_str(), uninstaller.c_str(), FALSE));

    ChildProcess child = ChildProcess::Start(uninstaller, L"/a /u:\"" + std::wstring(kName) + L"\"");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));

    EXPECT_EQ(test::ReadTestFile(evidence + L"\\batch1.txt"), Narrow(installDir) + "\r\n");
    EXPECT_EQ(test::ReadTestFile(evidence + L"\\batch2.txt"), Narrow(kName) + "\r\n");
    EXPECT_FALSE(PathExists(file));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, settingsKey));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, extension, L""), std::optional<std::wstring>(otherType));
    EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, extension), std::vector<std::wstring>{L""});
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ourType));
    EXPECT_FALSE(product.KeyExists());
    EXPECT_TRUE(WaitUntilGone(uninstaller, kBatchTimeoutMs));
    clean();
}

}  // namespace
}  // namespace vantrel
