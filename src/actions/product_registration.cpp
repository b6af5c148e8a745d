#include "actions/product_registration.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <optional>

#include "actions/uninstaller_icon.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/path_join.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/crash_guard.h"
#include "support/file_system.h"
#include "support/registry_key.h"
#include "support/search_path.h"
#include "support/system_info.h"
#include "support/temp_file_name.h"
#include "support/unique_handle.h"
#include "uninstall/file_removal.h"
#include "uninstall/file_writer.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

constexpr REGSAM kKeyAccess = 0x2000F;

bool IsBlank(std::wstring_view text) {
    return text.find_first_not_of(L" \t\r\n") == std::wstring_view::npos;
}

// A plain write: create, write everything, close. False with the error code in place.
bool WriteWholeFile(const std::wstring& path, const void* data, std::size_t size) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    return WriteAll(file.Get(), data, size);
}

void CreateFolders(const std::wstring& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
}

struct Paths {
    std::wstring uninstallFolder;
    std::wstring uninstallerPath;
    std::wstring arguments;
    std::wstring keyName;
};

Paths PathsOf(const ProductRegistrationInput& input) {
    Paths paths;
    paths.uninstallFolder = PathJoin(input.installDir, input.settings.uninstallSubfolder);
    paths.uninstallerPath =
        PathJoin(paths.uninstallFolder, Windows1252ToUtf16(input.settings.uninstallerFileName));
    paths.keyName =
        input.settings.uninstallKeyName.empty() ? input.productName : input.settings.uninstallKeyName;
    paths.arguments = L"/u:\"" + paths.keyName + L"\"";
    return paths;
}

// The stored background bitmap is a packed DIB: header, colour table, pixels.
std::uint32_t PixelOffsetOf(const Bytes& dib) {
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        if (at + 4 > dib.size())
            return 0;
        return static_cast<std::uint32_t>(dib[at] | (dib[at + 1] << 8) | (dib[at + 2] << 16) |
                                          (dib[at + 3] << 24));
    };
    const std::uint32_t headerSize = u32(0);
    if (headerSize < 40)
        return headerSize;  // an old core header: the colours are the caller's problem
    const std::uint32_t bitCount = dib.size() > 15 ? static_cast<std::uint32_t>(dib[14] | (dib[15] << 8)) : 0;
    const std::uint32_t compression = u32(16);
    std::uint32_t colours = u32(32);
    if (colours == 0 && bitCount <= 8)
        colours = 1u << bitCount;
    const std::uint32_t masks = (compression == BI_BITFIELDS && headerSize == 40) ? 12 : 0;
    return headerSize + masks + colours * 4;
}

void SaveBackgroundBitmap(const ProductRegistrationInput& input, const Paths& paths,
                          UninstallData& uninstallData) {
    const Bytes& dib = input.settings.bitmap;
    if ((input.productFlagsLow & product_flags::kBackgroundBitmap) == 0 || dib.empty())
        return;
    const std::wstring path = PathJoin(paths.uninstallFolder, L"Installer Background.bmp");
    if ((input.productFlagsHigh & product_flags::kHideFileNamesInProgress) == 0 && input.showStatus)
        input.showStatus(path);
    std::vector<std::uint8_t> file;
    auto put32 = [&file](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    file.push_back('B');
    file.push_back('M');
    put32(static_cast<std::uint32_t>(dib.size() + 14));
    put32(0);
    put32(PixelOffsetOf(dib) + 14);
    file.insert(file.end(), dib.begin(), dib.end());
    CreateFolders(paths.uninstallFolder);
    WriteWholeFile(path, file.data(), file.size());
    uninstallData.RecordRemoval(path, RemovalKind::kFile);
}

bool IsRtf(const std::wstring& text) {
    return text.starts_with(L"{\\rtf") || text.starts_with(L"\xFEFF{\\rtf");
}

void SaveTextCopies(const ProductRegistrationInput& input, const std::vector<std::wstring>& texts,
                    bool licence, InstallLog& log, UninstallData& uninstallData) {
    const std::wstring stem = licence ? L"eula" : L"readme";
    std::size_t last = texts.size();
    while (last > 0 && texts[last - 1].empty())
        --last;
    int counter = 1;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        const std::wstring& text = texts[index];
        if (text.empty())
            continue;
        const bool rtf = IsRtf(text);
        const std::wstring name =
            (counter == 1 && index + 1 == texts.size() ? stem : stem + DecimalText(counter)) +
            (rtf ? L".rtf" : L".txt");
        const std::wstring path = PathJoin(input.installDir, name);
        if ((input.productFlagsHigh & product_flags::kHideFileNamesInProgress) == 0 && input.showStatus)
            input.showStatus(path);
        std::string bytes;
        if (rtf) {
            bytes = Utf16ToUtf8(text);
        } else {
            bytes.assign("\xFF\xFE", 2);
            bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        }
        if (!WriteWholeFile(path, bytes.data(), bytes.size())) {
            const DWORD error = GetLastError();
            log.WriteLogFormat(
                licence ? L"Failed to save EULA to: %s\r\n%s\r\n" : L"Failed to save readme to: %s\r\n%s\r\n",
                {path, SystemErrorText(error)});
            continue;
        }
        ++counter;
        uninstallData.RecordRemoval(path, RemovalKind::kFile);
        if ((input.productFlagsLow & product_flags::kLogEachFile) != 0)
            log.WriteLogFormat(licence ? L"EULA >>> %s\r\n" : L"README >>> %s\r\n", {path});
    }
}

void AddToSearchPath(const ProductRegistrationInput& input, InstallLog& log) {
    if ((input.productFlagsLow & product_flags::kRemoveFromPath) == 0)
        return;
    const std::wstring folder = SearchPathFolderOf(input.installDir, input.settings.pathSubfolder);
    SearchPathLocation location;
    if (input.searchPathKey != nullptr)
        location.keyPath = input.searchPathKey;
    // The folder is checked only when the search path would change.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        log.WriteLogPieces({L"Couldn't add \"", folder, L"\" to the PATH because it does not exist.\r\n"});
        return;
    }
    AddFolderToSearchPath(folder, location);
}

void CopyInstallerAsUninstaller(ProductRegistrationInput& input, const Paths& paths, InstallLog& log,
                                FailureList& failures) {
    CreateFolders(paths.uninstallFolder);
    if (CopyFileW(input.installerPath.c_str(), paths.uninstallerPath.c_str(), FALSE)) {
        log.WriteLogPieces({L"Uninstaller >>> ", paths.uninstallerPath, L"\r\n"});
        return;
    }
    const std::wstring temporary = MakeTempFileName(paths.uninstallFolder, L"", temp_name::kKeepFolder);
    if (temporary.empty() || !CopyFileW(input.installerPath.c_str(), temporary.c_str(), FALSE)) {
        const DWORD error = GetLastError();
        if (!temporary.empty())
            DeleteFileW(temporary.c_str());
        failures.Append(
            FormatText(L"Failed to register '%s' for replacement because no temporary file could be "
                       L"created.\r\n%s\r\n\r\n",
                       {paths.uninstallerPath, SystemErrorText(error)}));
        return;
    }
    if (RegisterReplacementAtRestart(temporary, paths.uninstallerPath)) {
        input.productFlagsLow |= product_flags::kRebootNeeded;
        log.WriteLogFormat(
            L"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\n"
            L"Reboot will be required.\r\n\r\n",
            {paths.uninstallerPath, temporary});
        return;
    }
    const DWORD error = GetLastError();
    failures.Append(
        FormatText(L"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n",
                   {paths.uninstallerPath, temporary, SystemErrorText(error)}));
    DeleteFileW(temporary.c_str());
}

void WriteUninstaller(ProductRegistrationInput& input, const Paths& paths, InstallLog& log,
                      FailureList& failures) {
    if ((input.productFlags2 & product_flags2::kBuildStubImage) == 0 || input.stubImage.empty()) {
        CopyInstallerAsUninstaller(input, paths, log, failures);
        return;
    }
    FileWriteContext context{log, failures, input.messages, input.productFlagsLow};
    FileWriteRequest request;
    request.times = DecodeFileTime(input.settings.uninstallerFileTime);
    request.attributes = 0;
    request.mayReplaceAtRestart = true;
    bool registered = false;
    if (!WriteFileWithRetries(context, paths.uninstallerPath, input.stubImage, request, registered))
        return;
    log.WriteLogPieces({L"Uninstaller >>> ", paths.uninstallerPath, L"\r\n"});
    // The resource update parses a whole program file; a crash in it costs only the icon.
    if (!input.settings.uninstallerIcon.empty())
        RunGuarded(
            [&] { ReplaceUninstallerIcon(paths.uninstallerPath, input.settings.uninstallerIcon, log); });
}

// The value-writing options of the product key: W writes UTF-16, without it the text goes
// through the 8-bit interface; D deletes the value instead of writing an empty text or 0.
enum ValueOption : unsigned { kWide = 1, kDeleteEmpty = 2 };

// The value names of the product key are ASCII: the same bytes through the 8-bit interface.
std::string NarrowName(std::wstring_view name) {
    std::string narrow;
    for (const wchar_t c : name)
        narrow.push_back(static_cast<char>(c));
    return narrow;
}

// A missing value counts as deleted.
bool DeleteValue(RegistryKey& key, std::wstring_view name) {
    return key.DeleteValue(name) != RegistryKey::kDeleteFailed;
}

void WriteText8(RegistryKey& key, std::wstring_view name, const std::string& text, unsigned options) {
    if ((options & kDeleteEmpty) != 0 && text.empty())
        DeleteValue(key, name);
    else
        key.SetTextAnsi(NarrowName(name), text);
}

void WriteText(RegistryKey& key, std::wstring_view name, const std::wstring& text, unsigned options) {
    if ((options & kDeleteEmpty) != 0 && text.empty())
        DeleteValue(key, name);
    else if ((options & kWide) != 0)
        key.SetText(name, text);
    else
        WriteText8(key, name, ToSystemCodePage(text), 0);
}

void WriteNumber(RegistryKey& key, std::wstring_view name, DWORD value, unsigned options = 0) {
    if ((options & kDeleteEmpty) != 0 && value == 0)
        DeleteValue(key, name);
    else
        key.SetNumber(name, value);
}

// Opens (creating when missing) the key of a full registry path whose last component is a
// value name: "\HKCU\Software\Maker\Value" opens "\HKCU\Software\Maker" and gives "Value".
bool OpenValueKey(const std::wstring& path, RegistryKey& key, std::wstring& valueName) {
    const std::size_t lastBackslash = path.rfind(L'\\');
    if (lastBackslash == std::wstring::npos) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    valueName = path.substr(lastBackslash + 1);
    return key.OpenPath(std::wstring_view(path).substr(0, lastBackslash), registry_option::kDefaultSecurity,
                        kKeyAccess) != RegistryOpen::kFailed;
}

// "2.15.3" -> 2 and 15; nothing without a ".".
std::optional<std::pair<DWORD, DWORD>> VersionNumbers(const std::wstring& version) {
    const std::size_t dot = version.find(L'.');
    if (dot == std::wstring::npos)
        return std::nullopt;
    const DWORD major = static_cast<DWORD>(std::wcstol(version.c_str(), nullptr, 10));
    const DWORD minor = static_cast<DWORD>(std::wcstol(version.c_str() + dot + 1, nullptr, 10));
    return std::make_pair(major, minor);
}

std::wstring TodayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return FormatText(L"%02u%02u%02u", {static_cast<unsigned>(now.wYear % 100),
                                        static_cast<unsigned>(now.wMonth), static_cast<unsigned>(now.wDay)});
}

// One saved value: in the product key, or at a full registry path when its name has one.
bool WriteSavedValue(const ProductRegistrationInput& input, RegistryKey& productKey, const SavedValue& saved,
                     const std::wstring& name) {
    std::wstring text = saved.value;
    if (input.expand)
        input.expand(text);
    RegistryKey ownKey;
    RegistryKey* key = &productKey;
    std::wstring valueName = name;
    if (name.find(L'\\') != std::wstring::npos) {
        if (!OpenValueKey(name, ownKey, valueName))
            return false;
        key = &ownKey;
    }
    switch (saved.type) {
        case 1:
        case 2:
            if (text.empty())
                return DeleteValue(*key, valueName);
            return key->SetValue(valueName, saved.type == 1 ? REG_SZ : REG_EXPAND_SZ, text.data(),
                                 static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        case 4: {
            const DWORD number = static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10));
            return number == 0 ? DeleteValue(*key, valueName) : key->SetNumber(valueName, number);
        }
        default:
            return false;
    }
}

void WriteSavedValues(const ProductRegistrationInput& input, RegistryKey& productKey, FailureList& failures) {
    for (const SavedValue& saved : input.settings.savedValues) {
        if (saved.type != 1 && saved.type != 2 && saved.type != 4) {
            if (input.corruptPayload)
                input.corruptPayload(200);
            return;
        }
        const std::wstring name = DecodeText(saved.name);
        if (!WriteSavedValue(input, productKey, saved, name)) {
            const DWORD error = GetLastError();
            failures.Append(FormatText(L"Failed to save data in registry key \"%s\": %s\r\n",
                                       {name, SystemErrorText(error)}));
        }
    }
}

// The values of the product key in the order Windows and the uninstaller expect them.
// Returns false when the uninstall command could not be written (its error code in place).
bool WriteProductValues(const ProductRegistrationInput& input, const Paths& paths, RegistryKey& key,
                        FailureList& failures, std::wstring& uninstallString) {
    const Settings& s = input.settings;
    uninstallString = L"\"" + paths.uninstallerPath + L"\" " + paths.arguments;
    const bool uninstallStringWritten = key.SetText(L"UninstallString", uninstallString);
    const DWORD uninstallStringError = GetLastError();
    WriteText(key, L"QuietUninstallString", L"\"" + paths.uninstallerPath + L"\" /a " + paths.arguments,
              kWide);
    WriteText(key, L"DisplayName", input.productName, kWide);
    WriteText(key, L"InstallSource", input.installerPath, kWide);
    WriteText(key, L"Publisher", input.companyName, kWide | kDeleteEmpty);
    WriteNumber(key, L"Bitness", s.bitness);
    WriteText(key, L"DisplayVersion", s.productVersion, kDeleteEmpty);
    WriteText8(key, L"NoDowngradeBelow", s.minimumVersion, kDeleteEmpty);
    const std::wstring productIcon = PathJoin(paths.uninstallFolder, L"product.ico");
    if (!s.productIcon.empty() && GetFileAttributesW(productIcon.c_str()) != INVALID_FILE_ATTRIBUTES)
        WriteText(key, L"DisplayIcon", productIcon, kWide);
    if (const auto numbers = VersionNumbers(s.productVersion)) {
        WriteNumber(key, L"VersionMajor", numbers->first);
        WriteNumber(key, L"VersionMinor", numbers->second);
    }
    WriteText(key, L"ProductRegistry", s.productRegistryKey, kWide | kDeleteEmpty);
    WriteText(key, L"ProductStartMenu", s.startMenuFolder, kWide | kDeleteEmpty);
    WriteText(key, L"SharedPath", input.sharedDir, kWide | kDeleteEmpty);
    WriteText8(key, L"ProductFonts", input.productFonts, kDeleteEmpty);
    const std::uint64_t productFlags = (std::uint64_t{input.productFlagsHigh} << 32) | input.productFlagsLow;
    WriteText8(key, L"ProductFlags", std::to_string(static_cast<std::int64_t>(productFlags)), 0);
    WriteText8(key, L"ProductFlags2", std::to_string(input.productFlags2), 0);
    WriteText8(key, L"UninstallBatch1", s.uninstallBatch1, kDeleteEmpty);
    WriteText8(key, L"UninstallBatch2", s.uninstallBatch2, kDeleteEmpty);
    WriteText8(key, L"SharedFiles", input.sharedFiles, kDeleteEmpty);
    WriteText(key, L"UninstallSubdir", s.uninstallSubfolder, kWide | kDeleteEmpty);
    WriteText(key, L"AddToPathSubfolder", s.pathSubfolder, kWide | kDeleteEmpty);
    WriteNumber(key, L"ShortcutMode", s.shortcutMode, kDeleteEmpty);
    WriteText(key, L"NotifyURL", s.uninstallNotification, kDeleteEmpty);
    WriteText(key, L"SupportOffer", s.supportOffer, kDeleteEmpty);
    WriteText(key, L"DesktopFolder", s.desktopFolder, kWide | kDeleteEmpty);
    const std::uint64_t kilobytes = input.estimatedSize / 1024;
    if (kilobytes >= 1 && kilobytes <= 0xFFFFFFFFull)
        key.SetNumber(L"EstimatedSize", static_cast<DWORD>(kilobytes));
    else
        DeleteValue(key, L"EstimatedSize");
    WriteText(key, L"DisplayTitle", IsBlank(s.displayTitle) ? input.messages.Text(0) : s.displayTitle, kWide);
    WriteNumber(key, L"TitleColor", s.titleColor);
    WriteText(key, L"TitleSize", SizeText(s.titleSize), 0);
    WriteNumber(key, L"TopColor", s.topColor);
    const bool mono = s.bottomColor == s.topColor;
    if (mono)
        DeleteValue(key, L"BottomColor");
    else
        WriteNumber(key, L"BottomColor", s.bottomColor);
    WriteNumber(key, L"MonoColor", mono ? 1 : 0);
    WriteNumber(key, L"TitleShadow", s.titleShadow);
    WriteNumber(key, L"TitlePosition", s.titlePosition);
    WriteText(key, L"TitleFont", s.titleFont, 0);
    WriteText(key, L"TaskbarText", s.taskbarText, kWide);
    WriteText(key, L"CopyrightText", s.copyright.text, kWide);
    WriteText(key, L"CopyrightFont", s.copyright.font, 0);
    WriteText(key, L"CopyrightSize", SizeText(s.copyright.size), 0);
    WriteText(key, L"CopyrightColor", ColorText(s.copyright.color), 0);
    WriteNumber(key, L"CopyrightPos", s.copyright.position);
    key.SetQword(L"Session", input.runStamp);
    if ((input.productFlagsLow & product_flags::kBackgroundBitmap) != 0 && !s.bitmap.empty()) {
        WriteNumber(key, L"BitmapSize", static_cast<DWORD>(s.bitmapSize));
        if (s.bitmapTpi == 0xFFFFFFFFu)
            DeleteValue(key, L"BitmapTPI");
        else
            WriteNumber(key, L"BitmapTPI", s.bitmapTpi);
        WriteNumber(key, L"StretchMode", static_cast<DWORD>(s.stretchMode));
    } else {
        DeleteValue(key, L"BitmapSize");
        DeleteValue(key, L"BitmapTPI");
        DeleteValue(key, L"StretchMode");
    }
    WriteSavedValues(input, key, failures);
    WriteText(key, L"InstallLocation", input.installDir, kWide);
    WriteText(key, L"InstallDate", TodayText(), 0);
    SetLastError(uninstallStringError);
    return uninstallStringWritten;
}

void WriteInstallLocationValue(const ProductRegistrationInput& input) {
    const std::wstring path = DecodeText(input.settings.installLocationValue);
    RegistryKey key;
    std::wstring valueName;
    if (!path.empty() && OpenValueKey(path, key, valueName))
        key.SetText(valueName, input.installDir);
}

}  // namespace

std::wstring SizeText(double size) {
    return ShortDecimalText(size);
}

std::wstring ColorText(std::uint32_t colorRef) {
    return FormatText(L"%02X%02X%02X", {colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF});
}

std::wstring UninstallKeyPath(const std::wstring& uninstallKeyName) {
    return PathJoin(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", uninstallKeyName);
}

std::uint64_t EstimatedInstallSize(std::uint64_t uninstallerImageSize,
                                   std::span<const std::uint64_t> fileSizes, std::uint64_t clusterSize,
                                   std::uint64_t extraSize) {
    if (clusterSize == 0)
        clusterSize = 4096;
    std::uint64_t total = uninstallerImageSize;
    for (const std::uint64_t size : fileSizes)
        total += (size + clusterSize - 1) / clusterSize * clusterSize;
    return total + extraSize;
}

std::uint64_t ClusterSizeOf(const std::wstring& folder) {
    std::wstring root = folder;
    if (root.size() >= 2 && root[1] == L':')
        root = root.substr(0, 2) + L"\\";
    else
        return 4096;
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters) ||
        sectorsPerCluster == 0 || bytesPerSector == 0)
        return 4096;
    return std::uint64_t{sectorsPerCluster} * bytesPerSector;
}

void RegisterProduct(ProductRegistrationInput& input, InstallLog& log, FailureList& failures,
                     UninstallData& uninstallData) {
    const Paths paths = PathsOf(input);
    SaveBackgroundBitmap(input, paths, uninstallData);
    if ((input.productFlagsHigh & product_flags::kCopyReadme) != 0)
        SaveTextCopies(input, input.settings.readmeTexts, false, log, uninstallData);
    if ((input.productFlagsHigh & product_flags::kCopyLicence) != 0)
        SaveTextCopies(input, input.settings.licenceTexts, true, log, uninstallData);
    AddToSearchPath(input, log);
    if (input.progress)
        input.progress(99);
    if ((input.productFlagsLow & product_flags::kRegisterForUninstall) == 0)
        return;
    WriteUninstaller(input, paths, log, failures);

    SetLastError(ERROR_SUCCESS);
    bool registered = false;
    std::wstring keptError;
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(paths.keyName), registry_option::kDefaultSecurity,
                 kKeyAccess) == RegistryOpen::kFailed) {
        keptError = SystemErrorText(GetLastError());
    } else {
        std::wstring uninstallString;
        if (!WriteProductValues(input, paths, key, failures, uninstallString))
            keptError = SystemErrorText(GetLastError());
        std::wstring readBack;
        registered = key.ReadText(L"UninstallString", readBack) && readBack == uninstallString;
    }
    WriteInstallLocationValue(input);
    if (!registered) {
        if (!IsBlank(keptError))
            failures.Append(L"System error: " + keptError + L"\r\n\r\n");
        failures.Append(
            L"Unable to save the uninstall information to the registry.  Uninstall will not work "
            L"properly.\r\n\r\n");
    }
}

}  // namespace vantrel
