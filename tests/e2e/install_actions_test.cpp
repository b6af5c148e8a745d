// What a silent installation leaves behind besides its files: the product's uninstall entry
// and uninstaller, registry entries, shortcuts, file associations, shared-file counts,
// fonts, firewall records, the uninstall data the uninstaller reads, and the notifications
// that leave the machine. Each product is built from a project file by the builder library.
#include "win/loopback_server.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "builder/project.h"
#include "builder/setup_builder.h"
#include "format/text_encoding.h"
#include "format/uninstall_data_file.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/test_registry.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::KeyExists;
using test::PathExists;
using test::RegistryText;

// Shell links, COM servers and regsvr32 start slowly under Wine on a loaded machine.
constexpr DWORD kTimeoutMs = 180000;
constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const wchar_t* kSharedDlls = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const wchar_t* kFontsKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(text);
}

std::optional<DWORD> RegistryNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void DeleteValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(opened, name.c_str());
    RegCloseKey(opened);
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The target and arguments a shortcut file holds, read back through the shell.
struct LinkContent {
    std::wstring target;
    std::wstring arguments;
};

std::optional<LinkContent> ReadLink(const std::wstring& path) {
    std::optional<LinkContent> content;
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t target[MAX_PATH] = {};
                wchar_t arguments[1024] = {};
                link->GetPath(target, MAX_PATH, nullptr, 0);
                link->GetArguments(arguments, 1024);
                content = LinkContent{target, arguments};
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return content;
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::uint64_t ClusterSize(const std::wstring& folder) {
    const std::wstring root = folder.substr(0, 3);
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free, &total) || sectors == 0 || bytes == 0)
        return 4096;
    return std::uint64_t{sectors} * bytes;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// One product of a test: its folders, its project file and what the installation will
// leave outside its folder, removed again at the end.
struct ActionProduct {
    explicit ActionProduct(const std::wstring& caseName)
        : name(L"Vantrel Actions " + caseName),
          root(L"actions-" + caseName),
          installDir(root.Join(L"app")),
          uninstallDir(installDir + L"\\uninstall"),
          entryKey(kUninstallRoot + name),
          companyKey(L"Software\\Vantrel E2E Actions " + caseName),
          extension(L".vtl" + caseName),
          fileType(L"VantrelE2E." + caseName),
          sharedName(L"Vantrel E2E Shared " + caseName),
          fontFile(L"vantrel-e2e-" + caseName + L".ttf"),
          fontName(L"Vantrel E2E " + caseName + L" (TrueType)") {
        CreateDirectoryW(root.Join(L"src").c_str(), nullptr);
        Forget();
    }
    ~ActionProduct() { Forget(); }

    void Forget() const {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, companyKey.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, companyKey.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, extension.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, fileType.c_str());
        DeleteValue(HKEY_LOCAL_MACHINE, kSharedDlls, SharedFilePath());
        DeleteValue(HKEY_LOCAL_MACHINE, kFontsKey, fontName);
        DeleteFileW(FontPath().c_str());
        DeleteFileW(SharedFilePath().c_str());
        RemoveDirectoryW(SharedFolder().c_str());
        for (const int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
            const std::wstring folder = ShellFolder(csidl) + L"\\" + name;
            for (const wchar_t* link : {L"Vantrel Tool.lnk", L"Vantrel App.lnk", L"Uninstall.lnk"})
                DeleteFileW((folder + L"\\" + link).c_str());
            RemoveDirectoryW(folder.c_str());
        }
        for (const bool allUsers : {false, true}) {
            DeleteFileW((DesktopFolder(allUsers) + L"\\Vantrel Tool.lnk").c_str());
            RemoveDirectoryW(DesktopFolder(allUsers).c_str());
        }
    }

    std::wstring SharedFolder() const { return ShellFolder(CSIDL_PROGRAM_FILES_COMMON) + L"\\" + sharedName; }
    std::wstring SharedFilePath() const { return SharedFolder() + L"\\vantrel-shared.dll"; }
    std::wstring FontPath() const { return ShellFolder(CSIDL_FONTS) + L"\\" + fontFile; }
    std::wstring StartMenuFolder(bool allUsers) const {
        return ShellFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + L"\\" + name;
    }
    std::wstring DesktopFolder(bool allUsers) const {
        return ShellFolder(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY) + L"\\" + name;
    }
    std::wstring Log() const { return uninstallDir + L"\\Install.log"; }
    std::wstring Data() const { return uninstallDir + L"\\Uninstall.DAT"; }
    std::wstring Uninstaller() const { return uninstallDir + L"\\uninstall.exe"; }

    // Builds setup.exe from `projectText`; the sources are the files written below src.
    std::wstring Build(const std::string& projectText) const {
        const builder::Project project =
            builder::ParseProject(projectText, "actions.toml", std::filesystem::path(root.Path()));
        const Bytes engine = test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE));
        const Bytes setup = builder::BuildSetup(engine, project);
        const std::wstring path = root.Join(L"setup.exe");
        EXPECT_TRUE(test::WriteTestFile(path, std::string(setup.begin(), setup.end())));
        return path;
    }
    std::optional<DWORD> Run(const std::wstring& setup, const std::wstring& arguments) const {
        ChildProcess child = ChildProcess::Start(setup, arguments);
        EXPECT_TRUE(child.Started());
        return child.Wait(kTimeoutMs);
    }

    std::wstring name;
    test::TempFolder root;
    std::wstring installDir;
    std::wstring uninstallDir;
    std::wstring entryKey;
    std::wstring companyKey;
    std::wstring extension;
    std::wstring fileType;
    std::wstring sharedName;
    std::wstring fontFile;
    std::wstring fontName;
};

constexpr std::uint64_t kExtraSize = 5u << 20;
constexpr std::size_t kAppSize = 3000;
constexpr std::size_t kSharedSize = 5000;
constexpr std::size_t kFontSize = 1234;

struct ActionCase {
    const char* name;
    bool allUsers;         // ShortcutMode 1: the common Start menu
    bool stubUninstaller;  // the uninstaller written without the payload
    bool installTwice;     // the same version again: counts are not raised twice
};

class InstallActions : public testing::TestWithParam<ActionCase> {};

// Replaces every "{key}" of a template.
std::string Filled(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values) {
        const std::string marker = "{" + key + "}";
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + value.size()))
            text.replace(at, marker.size(), value);
    }
    return text;
}

// A product with something for every action step.
constexpr const char* kActionProject = R"([product]
name = "{name}"
company = "Vantrel E2E"
version = "3.2.1"
registry_key = '{company}\Product'
[folders]
install = '{installDir}'
start_menu = "{name}"
shared_location = "common-files-32"
shared_name = "{sharedName}"
desktop = "{name}"
[batches]
pre_install = 'echo %DesktopShortcuts%> "{evidence}"'
[options]
log_each_file = true
uninstall_start_menu_shortcut = true
all_users_shortcuts = {allUsers}
uninstaller_without_payload = {stub}
extra_size = {extraSize}
[registry]
[[registry.entries]]
key = 'HKCU\{companyKey}\Settings'
name = "Folder"
data = "%InstallDir%"
[[registry.entries]]
key = 'HKCU\{companyKey}\Settings'
name = "Count"
type = "dword"
data = 42
mode = "write-keep"
[[shortcuts]]
target = '%InstallDir%\app.exe'
name = "Vantrel Tool"
arguments = "-x"
start_menu = true
desktop = true
[[associations]]
extension = "{extension}"
file_type = "{fileType}"
description = "Vantrel test document"
verbs = ["open"]
command = '"%InstallDir%\app.exe" "%1"'
icon = "app.exe"
[[firewall]]
target = 47011
protocol = "tcp"
[[firewall]]
target = "app.exe"
[[firewall]]
target = 47012
keep = true
[[saved_values]]
name = "InstallFolder"
value = "%InstallDir%"
[[saved_values]]
name = '\HKCU\{companyKey}\Saved\Where'
value = "%InstallDir%"
[[files]]
source = "src/app.exe"
start_menu_shortcut = true
shortcut_name = "Vantrel App"
[[files]]
source = "src/vantrel-shared.dll"
kind = "shared"
[[files]]
source = "src/font.ttf"
name = "{fontFile}"
kind = "font"
font_name = "{fontName}"
)";

std::string ProjectText(const ActionProduct& p, const ActionCase& c) {
    return Filled(kActionProject,
                  {{"name", Narrow(p.name)},
                   {"company", Narrow(p.companyKey.substr(std::wstring(L"Software\\").size()))},
                   {"companyKey", Narrow(p.companyKey)},
                   {"installDir", Narrow(p.installDir)},
                   {"sharedName", Narrow(p.sharedName)},
                   {"evidence", Narrow(p.root.Join(L"desktop-folder.txt"))},
                   {"allUsers", c.allUsers ? "true" : "false"},
                   {"stub", c.stubUninstaller ? "true" : "false"},
                   {"extraSize", std::to_string(kExtraSize)},
                   {"extension", Narrow(p.extension)},
                   {"fileType", Narrow(p.fileType)},
                   {"fontFile", Narrow(p.fontFile)},
                   {"fontName", Narrow(p.fontName)}});
}

TEST_P(InstallActions, SilentInstallationLeavesWhatWindowsAndTheUninstallerRead) {
    const ActionCase& c = GetParam();
    ActionProduct p(Windows1252ToUtf16(c.name));
    ASSERT_TRUE(test::WriteTestFile(p.root.Join(L"src\\app.exe"), std::string(kAppSize, 'a')));
    ASSERT_TRUE(test::WriteTestFile(p.root.Join(L"src\\vantrel-shared.dll"), std::string(kSharedSize, 's')));
    ASSERT_TRUE(test::WriteTestFile(p.root.Join(L"src\\font.ttf"), std::string(kFontSize, 'f')));
    const std::wstring setup = p.Build(ProjectText(p, c));
    ASSERT_EQ(p.Run(setup, L"/silent"), std::optional<DWORD>(1u));
    if (c.installTwice) {
        ASSERT_EQ(p.Run(setup, L"/silent"), std::optional<DWORD>(1u));
    }

    // The uninstall entry Windows lists, and the uninstaller it names.
    const std::wstring quotedUninstaller = L"\"" + p.Uninstaller() + L"\"";
    const std::wstring arguments = L"/u:\"" + p.name + L"\"";
    const struct {
        const wchar_t* value;
        std::wstring expected;
    } texts[] = {{L"DisplayName", p.name},
                 {L"UninstallString", quotedUninstaller + L" " + arguments},
                 {L"QuietUninstallString", quotedUninstaller + L" /a " + arguments},
                 {L"InstallLocation", p.installDir},
                 {L"DisplayVersion", L"3.2.1"},
                 {L"Publisher", L"Vantrel E2E"},
                 {L"ProductStartMenu", p.name},
                 {L"InstallFolder", p.installDir},
                 {L"SharedFiles", L"\"" + p.SharedFilePath() + L"\""},
                 {L"ProductFonts", L"\"" + p.fontName + L"\" \"" + p.fontFile + L"\""}};
    for (const auto& text : texts)
        EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, p.entryKey, text.value), text.expected)
            << Narrow(text.value);
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, p.entryKey, L"VersionMajor"), std::optional<DWORD>(3u));
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, p.entryKey, L"VersionMinor"), std::optional<DWORD>(2u));
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, p.entryKey, L"ShortcutMode"),
              c.allUsers ? std::optional<DWORD>(1u) : std::nullopt);
    ASSERT_TRUE(PathExists(p.Uninstaller()));
    const std::uint64_t uninstallerSize = FileSize(p.Uninstaller());
    if (c.stubUninstaller) {
        EXPECT_LT(uninstallerSize, FileSize(setup));
    } else {
        EXPECT_EQ(uninstallerSize, FileSize(setup));
    }
    // The uninstaller, each file rounded up to whole clusters, and the project's extra size.
    const std::uint64_t cluster = ClusterSize(p.installDir);
    std::uint64_t bytes = uninstallerSize + kExtraSize;
    for (const std::size_t size : {kAppSize, kSharedSize, kFontSize})
        bytes += (size + cluster - 1) / cluster * cluster;
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, p.entryKey, L"EstimatedSize"),
              std::optional<DWORD>(static_cast<DWORD>(bytes / 1024)));

    // Registry instructions, the product key and a saved value at a full path.
    const std::wstring settingsKey = p.companyKey + L"\\Settings";
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, settingsKey, L"Folder"), p.installDir);
    EXPECT_EQ(RegistryNumber(HKEY_CURRENT_USER, settingsKey, L"Count"), std::optional<DWORD>(42u));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, p.companyKey + L"\\Product"));
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, p.companyKey + L"\\Saved", L"Where"), p.installDir);

    // Shortcuts of the settings, of a file and of the uninstaller, in the shortcut mode's
    // Start menu.
    const std::wstring startMenu = p.StartMenuFolder(c.allUsers);
    const std::optional<LinkContent> tool = ReadLink(startMenu + L"\\Vantrel Tool.lnk");
    ASSERT_TRUE(tool.has_value());
    EXPECT_EQ(tool->target, p.installDir + L"\\app.exe");
    EXPECT_EQ(tool->arguments, L"-x");
    const std::optional<LinkContent> app = ReadLink(startMenu + L"\\Vantrel App.lnk");
    ASSERT_TRUE(app.has_value());
    EXPECT_EQ(app->target, p.installDir + L"\\app.exe");
    const std::optional<LinkContent> uninstall = ReadLink(startMenu + L"\\Uninstall.lnk");
    ASSERT_TRUE(uninstall.has_value());
    EXPECT_EQ(uninstall->target, p.Uninstaller());
    EXPECT_EQ(uninstall->arguments, arguments);
    EXPECT_FALSE(PathExists(p.StartMenuFolder(!c.allUsers)));
    // The product's desktop folder, known to the batches before any shortcut was made.
    const std::wstring desktopFolder = p.DesktopFolder(c.allUsers);
    const std::optional<LinkContent> onDesktop = ReadLink(desktopFolder + L"\\Vantrel Tool.lnk");
    ASSERT_TRUE(onDesktop.has_value());
    EXPECT_EQ(onDesktop->target, p.installDir + L"\\app.exe");
    EXPECT_EQ(test::ReadTestFile(p.root.Join(L"desktop-folder.txt")), Narrow(desktopFolder) + "\r\n");

    // The file type and its open command.
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, p.extension, nullptr), p.fileType);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, p.fileType + L"\\shell\\open\\command", nullptr),
              L"\"" + p.installDir + L"\\app.exe\" \"%1\"");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, p.fileType + L"\\DefaultIcon", nullptr),
              p.installDir + L"\\app.exe");

    // The shared file counted once however often the product was installed; the font
    // registered under its name.
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, kSharedDlls, p.SharedFilePath().c_str()),
              std::optional<DWORD>(1u));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kFontsKey, p.fontName.c_str()), p.FontPath());

    // Uninstall.DAT: what the uninstaller undoes.
    const std::string dataBytes = test::ReadTestFile(p.Data());
    ASSERT_FALSE(dataBytes.empty());
    const UninstallDataContent data = ParseUninstallData(dataBytes);
    // Shortcut files are named with ".LNK"; the shared file goes by its count instead.
    for (const std::wstring& removed :
         {p.installDir + L"\\app.exe", startMenu + L"\\Vantrel Tool.LNK", startMenu + L"\\Vantrel App.LNK",
          startMenu + L"\\Uninstall.LNK", desktopFolder + L"\\Vantrel Tool.LNK"})
        EXPECT_TRUE(Contains(data.removalList, EncodeText(removed))) << Narrow(removed);
    EXPECT_FALSE(Contains(data.removalList, EncodeText(p.SharedFilePath())));
    EXPECT_TRUE(Contains(data.removalList, RemovalPrefix(RemovalKind::kFolder) + EncodeText(desktopFolder)));
    EXPECT_NE(data.registryScript.find(Narrow(settingsKey)), std::string::npos) << data.registryScript;
    EXPECT_NE(data.registryScript.find("%InstallDir%"), std::string::npos) << data.registryScript;
    ASSERT_EQ(data.associations.size(), 1u);
    EXPECT_EQ(data.associations[0].extension, Narrow(p.extension));
    EXPECT_EQ(data.associations[0].fileType, Narrow(p.fileType));
    EXPECT_EQ(data.associations[0].verb, "open");
    // The firewall lines to undo: the port and the program, not the one that stays.
    const std::string log = test::ReadTestFile(p.Log());
    EXPECT_NE(log.find("Added firewall exception: TCP port 47011\r\n"), std::string::npos) << log;
    ASSERT_EQ(data.firewallLines.size(), 2u) << log;
    EXPECT_EQ(data.firewallLines[0].rfind("47011;", 0), 0u) << data.firewallLines[0];
    EXPECT_EQ(data.firewallLines[1].rfind("app.exe;", 0), 0u) << data.firewallLines[1];

    // Install.log names what was made.
    EXPECT_NE(log.find("Uninstaller >>> " + Narrow(p.Uninstaller()) + "\r\n"), std::string::npos) << log;
    EXPECT_NE(
        log.find("Start Menu Shortcut(Vantrel Tool) >>> " + Narrow(startMenu) + "\\Vantrel Tool.LNK\r\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("Associated"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(InstallActions, InstallActions,
                         testing::Values(ActionCase{"CurrentUser", false, false, true},
                                         ActionCase{"AllUsers", true, true, false}),
                         test::CaseName);

// The notifications of a silent installation reach a server on this machine with their
// tokens filled in: start (when the payload is read), begin and completion; a shortcut that
// cannot be made (no drive Q:) adds the problem report with the failure list at the end.
TEST(InstallActions, SilentInstallationSendsItsNotifications) {
    test::LoopbackServer server(true);
    ActionProduct p(L"Notify");
    ASSERT_TRUE(test::WriteTestFile(p.root.Join(L"src\\app.exe"), std::string(100, 'a')));
    const std::string text = Filled(R"([product]
name = "{name}"
version = "1.5 beta"
[folders]
install = '{installDir}'
[options]
register_for_uninstall = false
create_log = false
[notifications]
start = '{server}/start'
begin = '{server}/begin?v=%version%&s=%Session%'
completion = '{server}/done?major=%OSMajor%'
error = '{server}/error'
[[shortcuts]]
target = '%InstallDir%\app.exe'
name = "Unreachable"
custom_folder = 'Q:\Nowhere'
[[files]]
source = "src/app.exe"
)",
                                    {{"name", Narrow(p.name)},
                                     {"installDir", Narrow(p.installDir)},
                                     {"server", Narrow(server.Address(L""))}});
    const std::wstring setup = p.Build(text);
    ASSERT_EQ(p.Run(setup, L"/silent"), std::optional<DWORD>(1u));
    EXPECT_TRUE(PathExists(p.installDir + L"\\app.exe"));
    // The run waits for its requests at the end: they have all arrived.
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].rfind("GET /start HTTP/1.", 0), 0u) << requests[0];
    EXPECT_EQ(requests[1].rfind("GET /begin?v=1.5%20beta&s=", 0), 0u) << requests[1];
    EXPECT_EQ(requests[1].find("%Session%"), std::string::npos) << requests[1];
    const std::string done = "GET /done?major=";
    ASSERT_EQ(requests[2].rfind(done, 0), 0u) << requests[2];
    EXPECT_NE(std::string("0123456789").find(requests[2][done.size()]), std::string::npos) << requests[2];
    const std::string& report = requests[3];
    EXPECT_EQ(report.rfind("POST /error HTTP/1.", 0), 0u) << report;
    const std::size_t body = report.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << report;
    EXPECT_EQ(report.substr(body + 4, 9), "problems=") << report;
    EXPECT_NE(report.find("Unreachable.LNK", body), std::string::npos) << report;
}

}  // namespace
}  // namespace vantrel
