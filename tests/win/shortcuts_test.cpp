// Shortcut files made through the shell-link object, read back through it and from the file
// itself, with the desktop folder, the removal records and the uninstaller's side.
#include "actions/shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "actions/shortcut_list.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/shell_link.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "uninstall/component_removal.h"
#include "uninstall/file_removal.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

MessageTable ShortcutMessages() {
    std::vector<std::wstring> texts(40);
    texts[31] = L"Could not create:";
    texts[33] = L"Uninstall Vantrel Links";
    texts[38] = L"Run %s";
    return MessageTable({L"English"}, texts);
}

// The show command as the file holds it (the interface's answer is not trusted everywhere).
std::uint32_t ShowCommandInFile(const std::wstring& linkPath) {
    const std::string bytes = test::ReadTestFile(linkPath);
    std::uint32_t value = 0;
    if (bytes.size() >= 0x40)
        std::memcpy(&value, bytes.data() + 0x3C, sizeof(value));
    return value;
}

std::string ReadLog(InstallLog& log) {
    return test::ReadTestFile(log.BodyPath());
}

// What the uninstaller's file and folder steps do with the removal list: files first, then
// the folders, longest path first.
void RemoveRecorded(const UninstallData& data) {
    std::vector<std::wstring> folders;
    for (const std::string& line : data.Content().removalList) {
        const std::optional<std::wstring> path = DecodeRecordedPath(RemovalPathOf(line));
        ASSERT_TRUE(path.has_value()) << line;
        if (RemovalKindOf(line) == RemovalKind::kFolder) {
            folders.push_back(*path);
        } else if (RemovalKindOf(line) == RemovalKind::kFile) {
            EXPECT_TRUE(DeleteFileWithFlags(*path, delete_flags::kMissingIsSuccess)) << line;
        }
    }
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders)
        EXPECT_TRUE(RemoveFolder(folder, 0)) << Utf16ToUtf8(folder);
}

bool Recorded(const UninstallData& data, const std::string& line) {
    const auto& list = data.Content().removalList;
    return std::find(list.begin(), list.end(), line) != list.end();
}

struct ShortcutFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(log.Begin());
        places.installDir = root.Join(L"Program");
        places.uninstallDir = root.Join(L"Program\\uninstall");
        places.desktop = root.Join(L"Desktop");
        places.startMenu = root.Join(L"Programs\\Vantrel Links");
        places.startup = root.Join(L"Startup");
        ASSERT_TRUE(CreateDirectoryW(places.installDir.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(places.uninstallDir.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(places.desktop.c_str(), nullptr));
        program = places.installDir + L"\\editor.exe";
        ASSERT_TRUE(test::WriteTestFile(program, "MZ"));
        services.expand = [this](std::wstring& text) {
            const std::wstring token = L"%InstallDir%";
            for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token))
                text.replace(at, token.size(), places.installDir);
        };
        services.showStatus = [this](const std::wstring& text) { statusLines.push_back(text); };
        options.detailedLog = true;
    }

    void Run(const std::vector<ShortcutListEntry>& entries) {
        CreateShortcuts(entries, places, options, services, state, messages, log, failures, data);
    }

    test::TempFolder root{L"shortcuts"};
    MessageTable messages = ShortcutMessages();
    InstallLog log;
    FailureList failures;
    UninstallData data;
    ShortcutPlaces places;
    ShortcutOptions options;
    ShortcutServices services;
    ShortcutRunState state;
    std::wstring program;
    std::vector<std::wstring> statusLines;
};

TEST_F(ShortcutFixture, AProductsShortcutsReadBackAndAreAllGoneAfterUninstalling) {
    places.desktopShortcuts = places.desktop + L"\\Vantrel Links";
    const std::vector<std::uint8_t> folderIcon = {0, 0, 1, 0, 0, 0};
    options.desktopFolderIcon = folderIcon;

    ShortcutListEntry editor;
    editor.desktop = true;
    editor.startMenu = true;
    editor.expandTarget = true;
    editor.showMode = 1;
    editor.target = L"%InstallDir%\\editor.exe";
    editor.name = L"Tools\\Editor";
    editor.icon = L"editor.ico";
    editor.arguments = L"-x %InstallDir%";
    editor.workingFolder = L"  %InstallDir%\\  ";
    ShortcutListEntry maximized;
    maximized.startMenu = true;
    maximized.showMode = 2;
    maximized.target = L"editor.exe";
    maximized.workingFolder = L"C:";
    std::vector<ShortcutListEntry> entries = {editor, maximized};

    UninstallerShortcutRequest uninstaller;
    uninstaller.uninstallDir = places.uninstallDir;
    uninstaller.uninstallerPath = places.uninstallDir + L"\\uninstall.exe";
    uninstaller.uninstallName = L"Vantrel Links";
    uninstaller.name = messages.Text(33);
    uninstaller.installDir = places.installDir;
    const std::vector<std::uint8_t> uninstallIcon = {0, 0, 1, 0, 1, 0};
    uninstaller.iconData = uninstallIcon;
    uninstaller.inStartMenu = true;
    uninstaller.inUninstallDir = true;
    AppendUninstallerShortcuts(entries, uninstaller, log, data);
    ASSERT_EQ(entries.size(), 4u);
    Run(entries);
    EXPECT_TRUE(failures.Empty()) << Utf16ToUtf8(failures.Text());

    const std::wstring desktopLink = places.desktopShortcuts + L"\\Tools\\Editor.LNK";
    const std::wstring startLink = places.startMenu + L"\\Tools\\Editor.LNK";
    ShellLinkContent read;
    for (const std::wstring& link : {desktopLink, startLink}) {
        ASSERT_EQ(LoadShellLink(link, read), S_OK) << Utf16ToUtf8(link);
        EXPECT_EQ(read.target, program);
        EXPECT_EQ(read.arguments, L"-x " + places.installDir);
        EXPECT_EQ(read.workingFolder, places.installDir);
        EXPECT_EQ(read.iconPath, places.uninstallDir + L"\\editor.ico");
        EXPECT_EQ(ShowCommandInFile(link), static_cast<std::uint32_t>(SW_SHOWMINNOACTIVE));
    }
    // The default name, a bare drive as working folder, maximized.
    const std::wstring maximizedLink = places.startMenu + L"\\Run editor.exe.LNK";
    ASSERT_EQ(LoadShellLink(maximizedLink, read), S_OK);
    EXPECT_EQ(read.target, program);
    EXPECT_EQ(read.workingFolder, L"C:\\");
    EXPECT_EQ(read.iconPath, program);
    EXPECT_EQ(ShowCommandInFile(maximizedLink), static_cast<std::uint32_t>(SW_SHOWMAXIMIZED));
    // The uninstaller's shortcuts.
    const std::wstring uninstallLink = places.startMenu + L"\\Uninstall Vantrel Links.LNK";
    ASSERT_EQ(LoadShellLink(uninstallLink, read), S_OK);
    EXPECT_EQ(read.target, uninstaller.uninstallerPath);
    EXPECT_EQ(read.arguments, L"/u:\"Vantrel Links\"");
    EXPECT_EQ(read.iconPath, places.uninstallDir + L"\\uninstall.ico");
    EXPECT_EQ(ShowCommandInFile(uninstallLink), static_cast<std::uint32_t>(SW_SHOWNORMAL));
    EXPECT_TRUE(test::PathExists(places.uninstallDir + L"\\Uninstall Vantrel Links.LNK"));

    // The desktop folder: its icon, Desktop.ini and attributes.
    const std::wstring iconPath = places.uninstallDir + L"\\Desktop Icon.ico";
    EXPECT_EQ(test::ReadTestFile(iconPath), std::string("\0\0\1\0\0\0", 6));
    const std::wstring desktopIni = places.desktopShortcuts + L"\\Desktop.ini";
    const std::string ini = test::ReadTestFile(desktopIni);
    EXPECT_NE(ini.find("[.ShellClassInfo]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("IconFile=" + Utf16ToUtf8(iconPath)), std::string::npos) << ini;
    EXPECT_NE(ini.find("IconIndex=0"), std::string::npos) << ini;
    EXPECT_EQ(GetFileAttributesW(desktopIni.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_NE(GetFileAttributesW(places.desktopShortcuts.c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);

    // Log lines, status lines and records.
    const std::string text = ReadLog(log);
    EXPECT_NE(text.find("Desktop Folder Shortcut(Tools\\Editor) >>> " + Utf16ToUtf8(desktopLink)),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Start Menu Shortcut(Tools\\Editor) >>> " + Utf16ToUtf8(startLink)),
              std::string::npos);
    EXPECT_NE(text.find("Shortcut(Uninstall Vantrel Links) >>> "), std::string::npos);
    EXPECT_NE(std::find(statusLines.begin(), statusLines.end(), places.startMenu + L"\\Tools\\Editor.lnk"),
              statusLines.end());
    EXPECT_TRUE(Recorded(data, EncodeText(desktopIni)));
    EXPECT_TRUE(Recorded(data, "~" + EncodeText(places.desktopShortcuts)));
    EXPECT_TRUE(Recorded(data, "~" + EncodeText(places.startMenu + L"\\Tools")));
    EXPECT_TRUE(Recorded(data, EncodeText(startLink)));
    EXPECT_TRUE(Recorded(data, "~" + EncodeText(places.uninstallDir)));

    RemoveRecorded(data);
    for (const std::wstring& gone : {desktopLink, startLink, maximizedLink, uninstallLink, desktopIni,
                                     iconPath, places.desktopShortcuts, places.startMenu + L"\\Tools"})
        EXPECT_FALSE(test::PathExists(gone)) << Utf16ToUtf8(gone);
}

TEST_F(ShortcutFixture, ATildeAndAQuotedProgramInTheArgumentsNameTheTarget) {
    ShortcutListEntry entry;
    entry.startup = true;
    entry.target = L"ignored.exe";
    entry.name = L"Tilde";
    entry.arguments = L"~\"%InstallDir%\\editor.exe\"   -x";
    Run({entry});
    ShellLinkContent read;
    ASSERT_EQ(LoadShellLink(places.startup + L"\\Tilde.LNK", read), S_OK);
    EXPECT_EQ(read.target, program);
    EXPECT_EQ(read.arguments, L"-x");
}

TEST_F(ShortcutFixture, AMissingWorkingFolderIsLoggedAndTheLinkStillMade) {
    ShortcutListEntry entry;
    entry.startMenu = true;
    entry.target = program;
    entry.name = L"Elsewhere";
    entry.workingFolder = root.Join(L"missing");
    entry.noRecord = true;
    Run({entry});
    EXPECT_TRUE(test::PathExists(places.startMenu + L"\\Elsewhere.LNK"));
    EXPECT_NE(ReadLog(log).find("Shortcut folder \"" + Utf16ToUtf8(root.Join(L"missing")) +
                                "\" doesn't exist.\r\n"),
              std::string::npos);
    EXPECT_TRUE(data.Content().removalList.empty());
}

TEST_F(ShortcutFixture, AFailedLinkIsAFailureUnlessQuiet) {
    // A file where the Start-menu folder should be: no link can be made there.
    ASSERT_TRUE(CreateDirectoryW(root.Join(L"Programs").c_str(), nullptr));
    ASSERT_TRUE(test::WriteTestFile(places.startMenu, "in the way"));
    ShortcutListEntry loud;
    loud.startMenu = true;
    loud.target = program;
    loud.name = L"Loud";
    ShortcutListEntry quiet = loud;
    quiet.name = L"Quiet";
    quiet.quiet = true;
    Run({loud, quiet});
    const std::wstring failureText = failures.Text();
    EXPECT_NE(failureText.find(L"Could not create: " + places.startMenu + L"\\Loud.LNK\r\n"),
              std::wstring::npos)
        << Utf16ToUtf8(failureText);
    EXPECT_EQ(failureText.find(L"Quiet"), std::wstring::npos);
    EXPECT_TRUE(data.Content().removalList.empty());
}

TEST_F(ShortcutFixture, AnEmptyTargetFailsAtOnce) {
    std::wstring link = root.Join(L"empty");
    EXPECT_FALSE(CreateShellLink(link, L"", L"", L"", L"", 0));
    EXPECT_FALSE(test::PathExists(root.Join(L"empty.LNK")));
}

TEST_F(ShortcutFixture, TheRootShortcutTakesTheFirstTokenAsItsQuotedTarget) {
    places.installDir = root.Path();  // the drive of the temporary folder
    const std::wstring name = L"Vantrel Root Link " + std::to_wstring(GetCurrentProcessId());
    CreateRootShortcut(
        L"  \"" + program + L"\" --portable <x>", L"<PRODUCT> Link " + std::to_wstring(GetCurrentProcessId()),
        {L"Vantrel Root", L"A test", L"C:\\windows"}, places, true, services, messages, log, failures, data);
    const std::wstring link = places.installDir.substr(0, 3) + name + L".lnk";
    ShellLinkContent read;
    ASSERT_EQ(LoadShellLink(link, read), S_OK) << Utf16ToUtf8(failures.Text());
    EXPECT_EQ(read.arguments, L" --portable <x>");
    EXPECT_EQ(read.workingFolder, root.Path());
    EXPECT_NE(ReadLog(log).find("Root Shortcut(" + Utf16ToUtf8(name) + ") >>> "), std::string::npos);
    EXPECT_TRUE(Recorded(data, EncodeText(link)));
    DeleteFileW(link.c_str());
}

struct PinVersion {
    const char* name;
    DWORD major;
    DWORD minor;
    bool allowed;
};

class TaskbarPinVersions : public ::testing::TestWithParam<PinVersion> {};

TEST_P(TaskbarPinVersions, OnlyWindows7To81TakePins) {
    EXPECT_EQ(TaskbarPinAllowed(GetParam().major, GetParam().minor), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(Versions, TaskbarPinVersions,
                         ::testing::Values(PinVersion{"Xp", 5, 1, false}, PinVersion{"Vista", 6, 0, false},
                                           PinVersion{"Windows7", 6, 1, true},
                                           PinVersion{"Windows8", 6, 2, true},
                                           PinVersion{"Windows81", 6, 3, true},
                                           PinVersion{"Windows10", 10, 0, false}),
                         test::CaseName);

struct PinFixture : ShortcutFixture {
    void SetUp() override {
        ShortcutFixture::SetUp();
        context.tempFolder = root.Join(L"Temp");
        context.appDataFolder = root.Join(L"AppData");
        ASSERT_TRUE(CreateDirectoryW(context.tempFolder.c_str(), nullptr));
        context.majorVersion = 6;
        context.minorVersion = 1;
    }
    void Pin(const std::wstring& name = L"<product> Pin") {
        PinToTaskbar(L"\"" + program + L"\" -x", name, {L"Vantrel Pin", L"", L""}, context, services,
                     messages, log, failures, data);
    }
    TaskbarPinContext context;
};

TEST_F(PinFixture, TheRefusedVerbLogsFailAndLeavesNoTemporaryLink) {
    // The real verb: this system refuses it.
    Pin();
    const std::string text = ReadLog(log);
    EXPECT_NE(text.find("Pin to taskbar(" + Utf16ToUtf8(program) + "): FAIL\r\n"), std::string::npos) << text;
    EXPECT_EQ(test::CountFilesStartingWith(context.tempFolder, L"Vantrel"), 0);
    EXPECT_TRUE(Recorded(data, EncodeText(PinnedLinkPath(context.appDataFolder, L"Vantrel Pin Pin"))));
    EXPECT_TRUE(failures.Empty());
    EXPECT_NE(std::find(statusLines.begin(), statusLines.end(), L"Pin to taskbar"), statusLines.end());
}

TEST_F(PinFixture, AnAcceptedVerbLogsOkForTheTemporaryLink) {
    std::vector<std::wstring> asked;
    context.runVerb = [&](const std::wstring& link, const wchar_t* verb) -> std::intptr_t {
        ShellLinkContent read;
        EXPECT_EQ(LoadShellLink(link, read), S_OK);
        EXPECT_EQ(read.target, program);
        EXPECT_EQ(read.arguments, L"-x");
        asked.push_back(link + L"|" + verb);
        return 42;
    };
    Pin(L"");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], context.tempFolder + L"\\Vantrel Pin.LNK|taskbarpin");
    EXPECT_NE(ReadLog(log).find("Pin to taskbar(" + Utf16ToUtf8(program) + "): OK\r\n"), std::string::npos);
    EXPECT_FALSE(test::PathExists(context.tempFolder + L"\\Vantrel Pin.LNK"));
}

TEST_F(PinFixture, Windows10GetsNoPinAndNoTemporaryLink) {
    context.majorVersion = 10;
    context.minorVersion = 0;
    bool called = false;
    context.runVerb = [&](const std::wstring&, const wchar_t*) -> std::intptr_t {
        called = true;
        return 42;
    };
    Pin();
    EXPECT_FALSE(called);
    EXPECT_TRUE(data.Content().removalList.empty());
    EXPECT_EQ(ReadLog(log).find("Pin to taskbar"), std::string::npos);
}

TEST_F(PinFixture, AMissingTemporaryFolderIsAFailure) {
    context.tempFolder = root.Join(L"Temp\\file");
    ASSERT_TRUE(test::WriteTestFile(context.tempFolder, "x"));
    Pin();
    EXPECT_NE(failures.Text().find(L"Could not create: " + context.tempFolder + L"\\Vantrel Pin Pin.LNK"),
              std::wstring::npos)
        << Utf16ToUtf8(failures.Text());
}

TEST(TaskbarUnpin, OnlyLinksUnderUserPinnedAreUnpinned) {
    UninstallData data;
    data.RecordRemoval(L"C:\\App\\app.exe", RemovalKind::kFile);
    data.RecordRemoval(PinnedLinkPath(L"C:\\Users\\me\\AppData\\Roaming", L"App"), RemovalKind::kFile);
    data.RecordRemoval(L"C:\\Pinned\\User Pinned", RemovalKind::kFolder);
    std::vector<std::wstring> unpinned;
    UnpinTaskbarShortcuts(data.Content().removalList, [&](const std::wstring& link, const wchar_t* verb) {
        unpinned.push_back(link + L"|" + verb);
        return std::intptr_t{42};
    });
    EXPECT_EQ(unpinned,
              (std::vector<std::wstring>{
                  L"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\User "
                  L"Pinned\\TaskBar\\App.lnk|taskbarunpin"}));
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(ShortcutListEntries, AFileRecordsTextsAreReadInTheirOwnEncodings) {
    const ShortcutListEntry entry =
        FileShortcutEntry(L"C:\\App\\caf\u00E9.exe", 0x1 | 0x20, true, "Caf\xC3\xA9 \xE2\x82\xAC", L"app.ico",
                          "-x \x80", "|C:\\Caf\xC3\xA9");
    EXPECT_TRUE(entry.desktop);
    EXPECT_FALSE(entry.startMenu);
    EXPECT_TRUE(entry.startup);
    EXPECT_TRUE(entry.noRecord);
    EXPECT_FALSE(entry.expandTarget);
    EXPECT_EQ(entry.name, L"Caf\u00E9 \u20AC");
    EXPECT_EQ(entry.arguments, L"-x \u20AC");
    EXPECT_EQ(entry.workingFolder, L"C:\\Caf\u00E9");
    EXPECT_EQ(entry.target, L"C:\\App\\caf\u00E9.exe");
}

TEST(ShortcutListEntries, TheLogShortcutAndTheUninstallerEntriesFollowTheFlags) {
    std::vector<ShortcutListEntry> list;
    UninstallerShortcutRequest request;
    request.uninstallDir = L"C:\\App\\u";
    request.installDir = L"C:\\App";
    request.uninstallerPath = L"C:\\App\\u\\uninstall.exe";
    request.uninstallName = L"App";
    request.name = L"Uninstall App";
    request.onDesktop = true;
    request.inInstallDir = true;
    InstallLog log;
    UninstallData data;
    AppendUninstallerShortcuts(list, request, log, data);
    AppendInstallLogShortcut(list, L"C:\\App\\u\\Install.log", L"Installation log");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].desktop && list[0].quiet && list[0].icon.empty());
    EXPECT_EQ(list[0].arguments, L"/u:\"App\"");
    EXPECT_EQ(list[1].customFolder, "C:\\App");
    EXPECT_TRUE(list[2].startMenu);
    EXPECT_FALSE(list[2].quiet);
    EXPECT_EQ(list[2].target, L"C:\\App\\u\\Install.log");
    EXPECT_TRUE(data.Content().removalList.empty());
}

}  // namespace
}  // namespace vantrel
