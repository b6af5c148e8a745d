#include "uninstall/component_removal.h"

#include <oleauto.h>
#include <setupapi.h>

#include <cstdlib>

#include "actions/fonts.h"
#include "actions/shared_file_list.h"
#include "context/failure_list.h"
#include "format/comma_separated.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/uninstall_data_file.h"
#include "run/user_interface_seam.h"
#include "support/ansi_text.h"
#include "support/file_system.h"
#include "support/registry_key.h"
#include "support/system_info.h"
#include "support/system_library.h"
#include "support/system_program.h"
#include "support/windows_installer.h"
#include "uninstall/file_removal.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

#ifndef SUOI_FORCEDELETE
constexpr DWORD SUOI_FORCEDELETE = 0x1;
#endif

bool Confirmed(bool ask, const RemovalQuestion& question, const std::wstring& subject) {
    if (!ask || question.ui == nullptr)
        return true;
    return question.ui->ShowMessageBox(FormatText(question.textFormat, {subject}), question.title,
                                       mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
}

// The double-quoted texts of a list, in order.
template <typename Char>
std::vector<std::basic_string<Char>> QuotedTexts(std::basic_string_view<Char> text) {
    std::vector<std::basic_string<Char>> texts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = text.find(Char('"'), at);
        if (open == text.npos)
            break;
        const std::size_t close = text.find(Char('"'), open + 1);
        if (close == text.npos)
            break;
        texts.emplace_back(text.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return texts;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int RemoveProductFonts(std::wstring_view productFonts, const std::wstring& fontsFolder, bool ask,
                       const RemovalQuestion& question) {
    const std::vector<std::wstring> texts = QuotedTexts(productFonts);
    int removed = 0;
    RegistryKey key;
    key.Open(HKEY_LOCAL_MACHINE, FontsRegistryKey(), registry_option::kOpenOnly, KEY_SET_VALUE);
    for (std::size_t index = 0; index + 1 < texts.size(); index += 2) {
        const std::wstring& fontName = texts[index];
        if (!Confirmed(ask, question, fontName))
            continue;
        key.DeleteValue(fontName);
        // The file name is relative to the Fonts folder; a name that would leave it touches
        // no file.
        const std::wstring& fileName = texts[index + 1];
        if (!fileName.empty() && fileName.find_first_of(L"\\/:") == std::wstring::npos && fileName != L".." &&
            fileName != L".") {
            const std::wstring fontFile = PathJoin(fontsFolder, fileName);
            RemoveFontResourceW(fontFile.c_str());
            DeleteFileWithFlags(fontFile, delete_flags::kMissingIsSuccess);
        }
        ++removed;
    }
    if (removed > 0)
        BroadcastFontChange();
    return removed;
}

void UnregisterComServerFile(const std::wstring& path, bool sixtyFourBit) {
    const std::wstring program = SystemProgramPath(L"regsvr32.exe", sixtyFourBit);
    const std::optional<DWORD> exitCode = RunHiddenAndWait(
        program, L"\"" + program + L"\" /s /u \"" + path + L"\"", SystemFolderForBitness(sixtyFourBit));
    if (exitCode == DWORD{0})
        return;
    const UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    using Entry = HRESULT(STDAPICALLTYPE*)();
    if (const auto unregister = ModuleFunction<Entry>(library.Get(), "DllUnregisterServer"))
        unregister();
}

bool UnregisterTypeLibraryFile(const std::wstring& path) {
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library)))
        return false;
    TLIBATTR* attributes = nullptr;
    HRESULT result = library->GetLibAttr(&attributes);
    if (SUCCEEDED(result)) {
        result = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                   attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
    return SUCCEEDED(result);
}

bool LowerProductSharedFileCounts(std::string_view sharedFiles, bool sixtyFourBit, bool ask,
                                  const RemovalQuestion& question, const std::function<void()>& reactivate,
                                  FailureList& failures) {
    if (sharedFiles.empty())
        return true;
    RegistryKey key;
    const DWORD opened = key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, registry_option::kOpenOnly,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE) != RegistryOpen::kFailed
                             ? ERROR_SUCCESS
                             : GetLastError();
    // Without the key there is no count to lower: every entry would be skipped as uncounted.
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS) {
        failures.Append(L"REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n");
        return false;
    }
    for (std::string entry : QuotedTexts(sharedFiles)) {
        const bool comServer = !entry.empty() && entry.back() == shared_marker::kComServer;
        if (comServer)
            entry.pop_back();
        const bool permanent = !entry.empty() && entry.back() == shared_marker::kPermanent;
        if (permanent)
            entry.pop_back();
        const bool typeLibrary = !entry.empty() && entry.back() == shared_marker::kTypeLibrary;
        if (typeLibrary)
            entry.pop_back();
        // Only a full path without ".." is ever unregistered or deleted; the text comes from
        // the registry, where anything may have changed it.
        const std::optional<std::wstring> decoded = DecodeRecordedPath(entry);
        if (!decoded)
            continue;
        const std::wstring& path = *decoded;

        if (!key.HasValue(path))
            continue;
        // A count that is no number counts as zero.
        DWORD count = 0;
        if (!key.ReadNumber(path, count))
            count = 0;
        if (count >= 1) {
            --count;
            key.SetNumber(path, count);
            if (count >= 1)
                continue;
        }
        if (permanent)
            continue;
        if (comServer || typeLibrary) {
            if (comServer)
                UnregisterComServerFile(path, sixtyFourBit);
            if (typeLibrary)
                UnregisterTypeLibraryFile(path);
            if (reactivate)
                reactivate();
        }
        if (FileExists(path) && Confirmed(ask, question, path))
            DeleteFileWithFlags(path, 0);
    }
    return true;
}

void UnpinTaskbarShortcuts(const std::vector<std::string>& removalList, const ShellVerbRunner& runVerb) {
    for (const std::string& line : removalList) {
        if (line.empty() || RemovalKindOf(line) != RemovalKind::kFile)
            continue;
        const std::wstring path = DecodeText(RemovalPathOf(line), AnsiCodePageToUtf16);
        const std::wstring folded = FoldCase(path);
        if (folded.find(L"\\USER PINNED\\") != std::wstring::npos && runVerb)
            runVerb(path, L"taskbarunpin");
    }
}

void RemoveMsiPackages(const std::vector<std::string>& msiLines, FailureList& failures,
                       std::vector<std::string>& remainingLines) {
    for (const std::string& line : msiLines) {
        const std::vector<std::string> fields = SplitCommaRecord(line);
        if (fields.size() != 2)
            continue;
        const std::wstring path = DecodeText(fields[0], AnsiCodePageToUtf16);
        const int level = std::atoi(fields[1].c_str());
        const unsigned result = RunWindowsInstaller(path, L"REBOOT=R REMOVE=ALL", level, nullptr);
        if (!WindowsInstallerSucceeded(result)) {
            failures.Append(
                FormatText(L"Failed to uninstall %s, code %d: %s\r\n",
                           {FileNameOf(path), static_cast<long>(result), SystemErrorText(result)}));
            remainingLines.push_back(line);
        }
    }
}

void RemoveDrivers(const std::vector<std::string>& infLines, const InfRemover& remover) {
    if (infLines.empty())
        return;
    InfRemover remove = remover;
    UniqueLibrary setupApi;
    if (!remove) {
        setupApi = UniqueLibrary(LoadSystemLibrary(L"setupapi.dll"));
        using UninstallOemInf = BOOL(WINAPI*)(PCWSTR, DWORD, PVOID);
        const auto uninstallOemInf = ModuleFunction<UninstallOemInf>(setupApi.Get(), "SetupUninstallOEMInfW");
        if (uninstallOemInf == nullptr)
            return;
        remove = [uninstallOemInf](const std::wstring& name) {
            return uninstallOemInf(name.c_str(), SUOI_FORCEDELETE, nullptr);
        };
    }
    for (const std::string& line : infLines) {
        const std::wstring path = DecodeText(line, AnsiCodePageToUtf16);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        remove(FileNameOf(path));
    }
}

}  // namespace vantrel
