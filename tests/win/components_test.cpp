// COM servers, type libraries, MSI packages, drivers, fonts and control-panel applets: each
// registered the way the installation does it and removed the way the uninstaller does.
#include "actions/component_registration.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include "actions/control_panel_applet.h"
#include "actions/fonts.h"
#include "actions/msi_package.h"
#include "actions/shared_file_list.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/shell_folders.h"
#include "support/system_program.h"
#include "support/test_files.h"
#include "support/unique_registry_key.h"
#include "uninstall/component_removal.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueRegistryKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

std::wstring ComServerKey(const std::wstring& dllName) {
    return L"Software\\VantrelTest\\ComServers\\" + dllName;
}

std::string LogText(InstallLog& log) {
    return test::ReadTestFile(log.BodyPath());
}

// A copy of a built test DLL under a name of this test's own, so tests never share a key.
std::wstring CopyDll(const test::TempFolder& folder, const char* builtPath, const std::wstring& name) {
    const std::wstring copy = folder.Join(name);
    EXPECT_TRUE(CopyFileW(test::HostPathToWindows(builtPath).c_str(), copy.c_str(), FALSE));
    return copy;
}

TEST(SystemPrograms, Regsvr32ComesFromTheSystemFolderOfTheProductsBitness) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(SystemProgramPath(L"regsvr32.exe", false), std::wstring(system) + L"\\regsvr32.exe");
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const std::wstring sixtyFour = SystemProgramPath(L"regsvr32.exe", true);
    if (wow64) {
        EXPECT_NE(sixtyFour.find(L"\\Sysnative\\regsvr32.exe"), std::wstring::npos) << Utf16ToUtf8(sixtyFour);
        EXPECT_NE(GetFileAttributesW(sixtyFour.c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
        EXPECT_EQ(sixtyFour, std::wstring(system) + L"\\regsvr32.exe");
    }
}

TEST(ComRegistration, ThroughRegsvr32AndInProcessAndUnregisteredByTheUninstaller) {
    test::TempFolder folder(L"com-servers");
    const std::wstring plainName = L"vantrel-com-" + std::to_wstring(GetCurrentProcessId()) + L"-plain.dll";
    const std::wstring refusingName =
        L"vantrel-com-" + std::to_wstring(GetCurrentProcessId()) + L"-inproc.dll";
    const std::wstring plain = CopyDll(folder, VANTREL_COM_SERVER_DLL, plainName);
    const std::wstring refusing = CopyDll(folder, VANTREL_REFUSING_COM_SERVER_DLL, refusingName);
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    FailureList failures;
    std::vector<std::wstring> status;
    RegistrationServices services;
    services.showStatus = [&](const std::wstring& path) { status.push_back(path); };
    RegisterComServers({{plain, 0}, {refusing, 0}, {folder.Join(L"missing.dll"), 0}}, false, services, log,
                       failures);
    ReturnToMainWindow(services);

    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ComServerKey(plainName)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ComServerKey(refusingName)));
    const std::string text = LogText(log);
    EXPECT_NE(text.find("Registering COM File \"" + Utf16ToUtf8(plain) + "\"...OK\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Registering COM File \"" + Utf16ToUtf8(refusing) + "\"...OK\r\n"),
              std::string::npos);
    // regsvr32 reports a missing DLL with exit code 3.
    EXPECT_NE(text.find("missing.dll\"...FAILED, code 3\r\n"), std::string::npos) << text;
    EXPECT_EQ(status.size(), 3u);
    EXPECT_TRUE(failures.Empty());

    // The uninstaller: both counts reach zero, both servers are unregistered and deleted.
    std::string saved;
    RaiseSharedFileCounts(BuildSharedFileList({{plain, 7, false}, {refusing, 7, false}}, false), saved, log,
                          failures);
    int reactivated = 0;
    LowerProductSharedFileCounts(
        saved, false, false, {}, [&] { ++reactivated; }, failures);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ComServerKey(plainName)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ComServerKey(refusingName)));
    EXPECT_FALSE(test::PathExists(plain));
    EXPECT_FALSE(test::PathExists(refusing));
    EXPECT_EQ(reactivated, 2);
    for (const std::wstring& path : {plain, refusing})
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str());
}

TEST(ComRegistration, ACrashingServerIsCaughtLoggedAndTheNextOneStillRegisters) {
    test::TempFolder folder(L"com-crash");
    const std::wstring crashingName =
        L"vantrel-com-" + std::to_wstring(GetCurrentProcessId()) + L"-crash.dll";
    const std::wstring nextName = L"vantrel-com-" + std::to_wstring(GetCurrentProcessId()) + L"-next.dll";
    const std::wstring crashing = CopyDll(folder, VANTREL_CRASHING_COM_SERVER_DLL, crashingName);
    const std::wstring next = CopyDll(folder, VANTREL_COM_SERVER_DLL, nextName);
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    FailureList failures;
    RegisterComServers({{crashing, 0}, {next, 0}}, false, {}, log, failures);
    const std::string text = LogText(log);
    EXPECT_NE(text.find("Registering COM File \"" + Utf16ToUtf8(crashing) + "\"...CRASHED!\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(failures.Text(), L"Crashed while registering COM file " + crashingName + L"\r\n");
    EXPECT_NE(text.find("Registering COM File \"" + Utf16ToUtf8(next) + "\"...OK\r\n"), std::string::npos)
        << text;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ComServerKey(nextName)));
    RegDeleteKeyW(HKEY_CURRENT_USER, ComServerKey(nextName).c_str());
}

// A type library made on the spot (no IDL compiler needed).
bool MakeTypeLibrary(const std::wstring& path, const GUID& id) {
    ICreateTypeLib2* creator = nullptr;
    if (FAILED(CreateTypeLib2(SYS_WIN32, path.c_str(), &creator)))
        return false;
    std::wstring name = L"VantrelTestLibrary";
    const bool made = SUCCEEDED(creator->SetGuid(id)) && SUCCEEDED(creator->SetName(name.data())) &&
                      SUCCEEDED(creator->SetVersion(1, 0)) && SUCCEEDED(creator->SaveAllChanges());
    creator->Release();
    return made;
}

TEST(TypeLibraries, RegisteredLoggedAndUnregistered) {
    test::TempFolder folder(L"type-library");
    const std::wstring path = folder.Join(L"vantrel.tlb");
    GUID id{};
    ASSERT_EQ(CoCreateGuid(&id), S_OK);
    ASSERT_TRUE(MakeTypeLibrary(path, id));
    wchar_t idText[64] = {};
    StringFromGUID2(id, idText, 64);
    const std::wstring key = std::wstring(L"TypeLib\\") + idText;
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    FailureList failures;
    RegisterTypeLibraries({{path, 0}, {folder.Join(L"missing.tlb"), 0}}, {}, log, failures);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key));
    const std::string text = LogText(log);
    EXPECT_NE(text.find("Registering Type Library \"" + Utf16ToUtf8(path) + "\"...OK\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("missing.tlb\"...FAILED\r\n"), std::string::npos) << text;
    EXPECT_TRUE(failures.Empty());

    EXPECT_TRUE(UnregisterTypeLibraryFile(path));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
}

struct MsiCase {
    const char* name;
    const char* package;
    const wchar_t* productFolder;
    unsigned result;
};

// Each package is installed silently, recorded for the uninstaller and removed by it. One that
// asks for a restart (3010, as REBOOT=R makes common) counts as installed and as removed all
// the same. The packages go one after the other: Windows Installer runs one at a time.
TEST(MsiPackages, InstalledSilentlyAndRemovedByTheUninstaller) {
    const MsiCase cases[] = {{"plain", VANTREL_TEST_MSI, L"Vantrel MSI Test", ERROR_SUCCESS},
                             {"restart requested", VANTREL_TEST_RESTART_MSI, L"Vantrel MSI Restart Test",
                              ERROR_SUCCESS_REBOOT_REQUIRED}};
    for (const MsiCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring package = test::HostPathToWindows(c.package);
        const std::wstring installed =
            ProgramFilesFolder(FolderView::k32Bit) + L"\\" + c.productFolder + L"\\readme.txt";
        InstallLog log;
        ASSERT_TRUE(log.Begin());
        FailureList failures;
        UninstallData data;
        EXPECT_EQ(InstallMsiPackage({package, kMsiRemoveWithProduct, 2}, nullptr, {}, log, failures, data),
                  c.result);
        EXPECT_TRUE(failures.Empty()) << Utf16ToUtf8(failures.Text());
        EXPECT_TRUE(test::PathExists(installed)) << Utf16ToUtf8(installed);
        EXPECT_NE(LogText(log).find("Installing MSI package \"" + Utf16ToUtf8(package) + "\"...OK\r\n"),
                  std::string::npos);
        ASSERT_EQ(data.Content().msiLines.size(), 1u);
        EXPECT_EQ(data.Content().msiLines[0], "\"" + EncodeText(package) + "\",2");

        std::vector<std::string> remaining;
        RemoveMsiPackages(data.Content().msiLines, failures, remaining);
        EXPECT_TRUE(failures.Empty()) << Utf16ToUtf8(failures.Text());
        EXPECT_TRUE(remaining.empty());
        EXPECT_FALSE(test::PathExists(installed));
    }
}

// A package file that is no longer there: its removal fails and its line stays.
TEST(MsiPackages, AVanishedPackageFailsToUninstallAndItsLineStays) {
    FailureList failures;
    std::vector<std::string> remaining;
    const std::vector<std::string> absent = {"\"C:\\vantrel-absent\\gone.msi\",2"};
    RemoveMsiPackages(absent, failures, remaining);
    EXPECT_EQ(remaining, absent);
    EXPECT_EQ(failures.Text().rfind(L"Failed to uninstall gone.msi, code ", 0), 0u)
        << Utf16ToUtf8(failures.Text());
}

TEST(MsiPackages, AMissingPackageIsAFailureAndNotRecorded) {
    test::TempFolder folder(L"msi-missing");
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    FailureList failures;
    UninstallData data;
    const std::wstring package = folder.Join(L"absent.msi");
    const unsigned result =
        InstallMsiPackage({package, kMsiRemoveWithProduct, 5}, nullptr, {}, log, failures, data);
    EXPECT_NE(result, 0u);
    const std::wstring expected =
        L"Installing MSI package \"" + package + L"\"...FAILED code " + std::to_wstring(result) + L": ";
    EXPECT_EQ(failures.Text().rfind(expected, 0), 0u) << Utf16ToUtf8(failures.Text());
    EXPECT_NE(LogText(log).find(Utf16ToUtf8(expected)), std::string::npos);
    EXPECT_TRUE(data.Content().msiLines.empty());
}

TEST(Drivers, TheInfIsCopiedLoggedRecordedAndRemoved) {
    test::TempFolder folder(L"driver");
    const std::wstring infName = L"vantrel" + std::to_wstring(GetCurrentProcessId()) + L".inf";
    const std::wstring inf = folder.Join(infName);
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_TEST_INF).c_str(), inf.c_str(), FALSE));
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    UninstallData data;
    InstallDrivers({inf}, {}, log, data);
    const std::string text = LogText(log);
    const std::size_t at =
        text.find("Installing driver \"" + Utf16ToUtf8(inf) + "\"...OK\r\nFinal driver location: ");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(data.Content().infLines.size(), 1u);
    const std::string copy = data.Content().infLines[0];
    EXPECT_NE(text.find("Final driver location: " + copy + "\r\n"), std::string::npos);
    ASSERT_TRUE(test::PathExists(Utf8ToUtf16(copy)));
    SetFileAttributesW(Utf8ToUtf16(copy).c_str(), FILE_ATTRIBUTE_READONLY);

    RemoveDrivers(data.Content().infLines);
    EXPECT_FALSE(test::PathExists(Utf8ToUtf16(copy)));
}

TEST(Drivers, FailuresAndAnUnknownDestinationAreLogged) {
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    UninstallData data;
    InstallDrivers({L"C:\\d\\unsigned.inf", L"C:\\d\\unknown.inf"}, {}, log, data,
                   [](const std::wstring& path, wchar_t* destination, DWORD) -> BOOL {
                       destination[0] = 0;
                       if (path.ends_with(L"unsigned.inf")) {
                           SetLastError(0xE000022F);
                           return FALSE;
                       }
                       return TRUE;
                   });
    const std::string text = LogText(log);
    EXPECT_NE(text.find("Installing driver \"C:\\d\\unsigned.inf\"...FAILED!  Code 0xE000022F: "),
              std::string::npos)
        << text;
    EXPECT_EQ(DriverFailureText(0xE000022F).empty(), false);
    EXPECT_NE(
        text.find("Installing driver \"C:\\d\\unknown.inf\"...OK, but resulting filepath is unknown\r\n"),
        std::string::npos);
    EXPECT_TRUE(data.Content().infLines.empty());
}

TEST(Fonts, AFontIsRegisteredAndRemoved) {
    const std::wstring fileName = L"VantrelTest" + std::to_wstring(GetCurrentProcessId()) + L".ttf";
    const std::wstring fontName =
        L"Vantrel Test Font " + std::to_wstring(GetCurrentProcessId()) + L" (TrueType)";
    const std::wstring fontsFolder = FontFolder();
    const std::wstring path = fontsFolder + L"\\" + fileName;
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_TEST_FONT).c_str(), path.c_str(), FALSE));
    RegisterFont(fontName, path);
    BroadcastFontChange();
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, FontsRegistryKey(), fontName.c_str(), RRF_RT_REG_SZ, nullptr,
                           value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(value), path);

    const int removed =
        RemoveProductFonts(L"\"" + fontName + L"\"\"" + fileName + L"\"", fontsFolder, false, {});
    EXPECT_EQ(removed, 1);
    size = sizeof(value);
    EXPECT_NE(RegGetValueW(HKEY_LOCAL_MACHINE, FontsRegistryKey(), fontName.c_str(), RRF_RT_REG_SZ, nullptr,
                           value, &size),
              ERROR_SUCCESS);
    EXPECT_FALSE(test::PathExists(path));
}

TEST(Fonts, AFileNameThatLeavesTheFontsFolderTouchesNoFile) {
    test::TempFolder folder(L"fonts-outside");
    const std::wstring fontsFolder = folder.Join(L"Fonts");
    ASSERT_TRUE(CreateDirectoryW(fontsFolder.c_str(), nullptr));
    const std::wstring outside = folder.Join(L"keep.ttf");
    ASSERT_TRUE(test::WriteTestFile(outside, "font"));
    EXPECT_EQ(RemoveProductFonts(L"\"Vantrel Outside\" \"..\\keep.ttf\"", fontsFolder, false, {}), 1);
    EXPECT_TRUE(test::PathExists(outside));
}

TEST(SharedFileRemoval, AnEntryThatIsNoFullPathIsNeverDeleted) {
    test::TempFolder folder(L"shared-relative");
    const std::wstring file = folder.Join(L"x\\..\\kept.dll");
    ASSERT_TRUE(test::WriteTestFile(folder.Join(L"kept.dll"), "MZ"));
    ASSERT_TRUE(CreateDirectoryW(folder.Join(L"x").c_str(), nullptr));
    UniqueRegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key.Get(), file.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                             sizeof(one)),
              ERROR_SUCCESS);
    FailureList failures;
    LowerProductSharedFileCounts("\"" + EncodeText(file) + "\"", false, false, {}, {}, failures);
    EXPECT_TRUE(test::PathExists(folder.Join(L"kept.dll")));
    RegDeleteValueW(key.Get(), file.c_str());
}

TEST(ControlPanelApplets, TheClassAndNamespaceKeysAreMadeAndRecorded) {
    const std::wstring classId =
        L"{6E0A3B9C-1D2F-4A5B-8C7D-" + std::to_wstring(100000000000 + GetCurrentProcessId()) + L"}";
    InstallLog log;
    ASSERT_TRUE(log.Begin());
    UninstallData data;
    ASSERT_TRUE(RegisterControlPanelApplet({L"C:\\App\\panel.exe", L"Vantrel Panel", classId, L"-panel"}, {},
                                           log, data));
    const std::wstring classKey = L"Software\\Classes\\CLSID\\" + classId;
    const std::wstring namespaceKey =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\" + classId;
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, (classKey + L"\\Shell\\Open\\Command").c_str(), nullptr,
                           RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(value), L"\"C:\\App\\panel.exe\" -panel");
    size = sizeof(value);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, (classKey + L"\\DefaultIcon").c_str(), nullptr, RRF_RT_REG_SZ,
                           nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(value), L"C:\\App\\panel.exe");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, namespaceKey));
    EXPECT_EQ(data.Content().removalList,
              (std::vector<std::string>{"^\\HKLM\\" + Utf16ToUtf8(classKey),
                                        "^\\HKLM\\" + Utf16ToUtf8(namespaceKey)}));
    EXPECT_NE(LogText(log).find("Registering control panel applet \"Vantrel Panel\"...OK\r\n"),
              std::string::npos);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, namespaceKey.c_str());
}

}  // namespace
}  // namespace vantrel
