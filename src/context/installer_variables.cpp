#include "context/installer_variables.h"

#include <windows.h>

#include <array>
#include <optional>

#include "context/install_session.h"
#include "format/ascii.h"
#include "format/os_version.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/version_compare.h"
#include "support/environment.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/temp_file_name.h"

namespace vantrel {
namespace {

using Session = const InstallSession&;

std::wstring Flag(bool value) {
    return value ? L"1" : L"0";
}

FolderView ProductView(Session s) {
    return s.Installs64Bit() ? FolderView::k64Bit : FolderView::k32Bit;
}

const std::array<InstallerVariable, 54> kVariables = {{
    {L"%AppDataAllDir%", false, [](Session) { return AppDataAllFolder(); }},
    {L"%AppDataDir%", false, [](Session) { return AppDataFolder(); }},
    {L"%Automatic%", false, [](Session s) { return Flag(s.automatic); }},
    {L"%Bits%", false, [](Session) { return BitsText(); }},
    {L"%BootDrive%", false, [](Session) { return BootDrive(); }},
    {L"%CommonDir%", false, [](Session s) { return CommonFilesFolder(ProductView(s)); }},
    {L"%CommonDir32%", false, [](Session) { return CommonFilesFolder(FolderView::k32Bit); }},
    {L"%CommonDir64%", false, [](Session) { return CommonFilesFolder(FolderView::k64Bit); }},
    {L"%DesktopAllDir%", false, [](Session) { return DesktopAllFolder(); }},
    {L"%DesktopDir%", false, [](Session) { return DesktopFolder(); }},
    {L"%DesktopShortcuts%", false, [](Session s) { return s.folders.desktopShortcutDir; }},
    {L"%DeviceDir%", false, [](Session) { return DeviceFolder(); }},
    {L"%DocumentAllDir%", false, [](Session) { return DocumentAllFolder(); }},
    {L"%DocumentDir%", false, [](Session) { return DocumentFolder(); }},
    {L"%Existing%", false,
     [](Session s) { return ExistingRelation(s.product.existingVersion, s.product.version); }},
    {L"%FavoritesAllDir%", false, [](Session) { return FavoritesAllFolder(); }},
    {L"%FavoritesDir%", false, [](Session) { return FavoritesFolder(); }},
    {L"%FontDir%", false, [](Session) { return FontFolder(); }},
    {L"%Inetpub%", false, [](Session) { return InetpubFolder(); }},
    {L"%InstallDir%", false, [](Session s) { return s.folders.installDir; }},
    {L"%InstallDrive%", false, [](Session s) { return InstallDriveOf(s.folders.installDir); }},
    {L"%InstallerDir%", false, [](Session) { return InstallerDir(); }},
    {L"%InstallerDrive%", false, [](Session) { return InstallerDrive(); }},
    {L"%InstallerFilename%", false, [](Session) { return FileNameOf(ModuleFilePath()); }},
    {L"%InstallerFilepath%", false, [](Session) { return ModuleFilePath(); }},
    {L"%MediaDir%", false, [](Session) { return MediaFolder(); }},
    {L"%OldVersion%", false, [](Session s) { return s.product.existingVersion; }},
    {L"%OldVersionMajor%", true, [](Session s) { return OldVersionPart(s.product.existingVersion, 0); }},
    {L"%OldVersionMinor%", true, [](Session s) { return OldVersionPart(s.product.existingVersion, 1); }},
    {L"%Portable%", false, [](Session s) { return PortableFlagOf(s.folders.installDir); }},
    {L"%ProductName%", false, [](Session s) { return s.product.name; }},
    {L"%CompanyName%", false, [](Session s) { return s.product.company; }},
    {L"%ProgramsDir%", false, [](Session s) { return ProgramFilesFolder(ProductView(s)); }},
    {L"%ProgramsDir32%", false, [](Session) { return ProgramFilesFolder(FolderView::k32Bit); }},
    {L"%ProgramsDir64%", false, [](Session) { return ProgramFilesFolder(FolderView::k64Bit); }},
    {L"%SharedDir%", false, [](Session s) { return s.folders.sharedDir; }},
    {L"%SMProgramsAllDir%", false, [](Session) { return SMProgramsAllFolder(); }},
    {L"%SMProgramsDir%", false, [](Session) { return SMProgramsFolder(); }},
    {L"%StartMenuAllDir%", false, [](Session) { return StartMenuAllFolder(); }},
    {L"%StartMenuChosen%", false, [](Session s) { return StartMenuChosenFolder(s); }},
    {L"%StartMenuDir%", false, [](Session) { return StartMenuFolder(); }},
    {L"%StartupAllDir%", false, [](Session) { return StartupAllFolder(); }},
    {L"%StartupDir%", false, [](Session) { return StartupFolder(); }},
    {L"%SystemDir%", false, [](Session) { return SystemFolder(); }},
    {L"%Temp%", false, [](Session) { return TemporaryFolder(); }},
    {L"%UninstallDir%", false, [](Session s) { return s.folders.uninstallDataDir; }},
    {L"%Version%", false, [](Session s) { return s.product.version; }},
    {L"%WinDir%", false, [](Session) { return WindowsFolder(); }},
    {L"%OS%", false, [](Session) { return DecimalText(OsCode(CurrentOs())); }},
    {L"%OSMajor%", false, [](Session) { return DecimalText(CurrentOs().major); }},
    {L"%OSMinor%", false, [](Session) { return DecimalText(CurrentOs().minor); }},
    {L"%OSName%", false, [](Session) { return OsName(CurrentOs()); }},
    {L"%OSDescription%", false, [](Session) { return OsDescription(CurrentOs()); }},
    {L"%OSServer%", false, [](Session) { return Flag(OsIsServer(CurrentOs())); }},
}};

bool TokenAt(const std::wstring& text, std::size_t at, std::wstring_view token, bool caseSensitive) {
    if (caseSensitive)
        return std::wstring_view(text).substr(at, token.size()) == token;
    const int length = static_cast<int>(token.size());
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE | SORT_STRINGSORT, text.data() + at, length,
                          token.data(), length) == CSTR_EQUAL;
}

void ReplaceVariable(Session session, const InstallerVariable& variable, std::wstring& text) {
    const std::wstring_view token = variable.token;
    std::optional<std::wstring> value;  // computed at the first occurrence only
    std::size_t at = 0;
    while (at + token.size() <= text.size()) {
        if (text[at] == L'%' && TokenAt(text, at, token, variable.caseSensitive)) {
            if (!value)
                value = variable.value(session);
            text.replace(at, token.size(), *value);
            at += value->size();  // the inserted value is not searched again for this token
        } else {
            ++at;
        }
    }
}

}  // namespace

std::span<const InstallerVariable> InstallerVariables() {
    return kVariables;
}

void ExpandVariables(const InstallSession& session, std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos)
        return;
    for (const InstallerVariable& variable : kVariables)
        ReplaceVariable(session, variable, text);
    ExpandEnvironmentText(text);
}

std::wstring InstallDriveOf(const std::wstring& folder) {
    if (folder.size() >= 2 && folder[1] == L':' && IsAsciiLetter(folder[0]))
        return {AsciiUpper(folder[0]), L':'};
    return {};
}

std::wstring PortableFlagOf(const std::wstring& folder) {
    const std::wstring drive = InstallDriveOf(folder);
    if (drive.empty())
        return L"0";
    const UINT type = GetDriveTypeW((drive + L"\\").c_str());
    return Flag(type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK);
}

std::wstring ExistingRelation(const std::wstring& existingVersion, const std::wstring& productVersion) {
    if (existingVersion.empty())
        return L"0";
    const int relation = VersionCompare(Utf16ToUtf8(existingVersion), Utf16ToUtf8(productVersion));
    return relation == 0 ? L"1" : relation < 0 ? L"2" : L"3";
}

std::wstring OldVersionPart(const std::wstring& existingVersion, std::size_t index) {
    if (existingVersion.empty())
        return {};
    std::size_t start = 0;
    for (std::size_t part = 0; part < index; ++part) {
        const std::size_t dot = existingVersion.find(L'.', start);
        if (dot == std::wstring::npos)
            return {};
        start = dot + 1;
    }
    const std::size_t end = existingVersion.find(L'.', start);
    return existingVersion.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring StartMenuChosenFolder(const InstallSession& session) {
    const std::wstring& name = session.folders.startMenuFolderName.empty()
                                   ? session.product.name
                                   : session.folders.startMenuFolderName;
    return PathJoin(session.AllUsers() ? SMProgramsAllFolder() : SMProgramsFolder(), name);
}

std::wstring InstallerDir() {
    return FolderOf(ModuleFilePath());
}

std::wstring InstallerDrive() {
    return InstallDriveOf(ModuleFilePath());
}

std::wstring BitsText() {
    return IsWindows64Bit() ? L"64" : L"32";
}

}  // namespace vantrel
