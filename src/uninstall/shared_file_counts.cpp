#include "uninstall/shared_file_counts.h"

#include <oleauto.h>

#include <vector>

#include "context/failure_list.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "support/ansi_text.h"
#include "support/registry_values.h"
#include "support/system_library.h"
#include "support/unique_handle.h"
#include "uninstall/file_removal.h"

namespace vantrel {
namespace {

struct SharedEntry {
    std::string encodedPath;
    bool comServer = false;
    bool neverDelete = false;
    bool typeLibrary = false;
};

std::vector<SharedEntry> ParseSharedFiles(const std::string& text) {
    std::vector<SharedEntry> entries;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = text.find('"', at);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        SharedEntry entry;
        entry.encodedPath = text.substr(open + 1, close - open - 1);
        auto stripMarker = [&entry](char marker) {
            if (!entry.encodedPath.empty() && entry.encodedPath.back() == marker) {
                entry.encodedPath.pop_back();
                return true;
            }
            return false;
        };
        entry.comServer = stripMarker('^');
        entry.neverDelete = stripMarker(' ');
        entry.typeLibrary = stripMarker('\xA9');
        if (!entry.encodedPath.empty())
            entries.push_back(std::move(entry));
        at = close + 1;
    }
    return entries;
}

std::wstring SystemFolderFor(bool product64Bit) {
    wchar_t folder[MAX_PATH] = {};
    UINT length = 0;
    if (!product64Bit)
        length = GetSystemWow64DirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

}  // namespace

void UnregisterComServer(const std::wstring& path, bool product64Bit) {
    const std::wstring systemFolder = SystemFolderFor(product64Bit);
    const std::wstring program = PathJoin(systemFolder, L"regsvr32.exe");
    std::wstring commandLine = L"\"" + program + L"\" /s /u \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    DWORD exitCode = 1;
    if (!systemFolder.empty() && CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                                0, nullptr, systemFolder.c_str(), &startup, &process)) {
        const UniqueHandle processHandle(process.hProcess);
        const UniqueHandle threadHandle(process.hThread);
        // Wake now and then so that the windows of this thread stay responsive.
        while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 75, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    if (exitCode == 0)
        return;
    const UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    using UnregisterFunction = HRESULT(STDAPICALLTYPE*)();
    if (const auto unregister = ModuleFunction<UnregisterFunction>(library.Get(), "DllUnregisterServer"))
        unregister();
}

void UnregisterTypeLibrary(const std::wstring& path) {
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library)) || library == nullptr)
        return;
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes != nullptr) {
        UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                          attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
}

bool LowerSharedFileCounts(const std::string& sharedFiles, const SharedFileCountContext& context,
                           FailureList& failures) {
    UniqueRegistryKey key =
        OpenRegistryKey(context.root, context.keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE | context.view, false);
    if (!key) {
        failures.Append(L"REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n");
        return false;
    }
    for (const SharedEntry& entry : ParseSharedFiles(sharedFiles)) {
        const std::wstring path = entry.encodedPath.front() == '|' ? DecodeText(entry.encodedPath)
                                                                   : AnsiCodePageToUtf16(entry.encodedPath);
        const std::optional<DWORD> count = ReadRegistryDword(key.Get(), path.c_str());
        if (!count)
            continue;
        if (*count >= 1) {
            WriteRegistryDword(key.Get(), path.c_str(), *count - 1);
            if (*count - 1 >= 1)
                continue;
        }
        if (entry.neverDelete)
            continue;
        if (entry.comServer || entry.typeLibrary) {
            if (entry.comServer && context.unregisterComServer)
                context.unregisterComServer(path);
            if (entry.typeLibrary && context.unregisterTypeLibrary)
                context.unregisterTypeLibrary(path);
            if (context.afterUnregistration)
                context.afterUnregistration();
        }
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (context.confirmDeletion && !context.confirmDeletion(path))
            continue;
        DeleteFileWithFlags(path, 0);
    }
    return true;
}

}  // namespace vantrel
