#include "actions/shared_file_list.h"

#include <windows.h>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/ansi_text.h"
#include "support/system_info.h"
#include "support/registry_key.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kKindShared = 1;
constexpr std::uint32_t kKindPermanentSystem = 6;
constexpr std::uint32_t kKindCom = 7;
constexpr std::uint32_t kKindTypeLibrary = 8;

void RemoveOneTrailing(std::string& text, char marker) {
    if (!text.empty() && text.back() == marker)
        text.pop_back();
}

}  // namespace

std::vector<std::string> BuildSharedFileList(const std::vector<SharedFileInput>& files, bool portable) {
    std::vector<std::string> list;
    for (const SharedFileInput& file : files) {
        if (portable && (file.kind == kKindShared || file.kind == kKindCom))
            continue;
        std::string entry = EncodeText(file.path);
        if (file.permanent || file.kind == kKindPermanentSystem)
            entry += shared_marker::kPermanent;
        else if (file.kind == kKindCom)
            entry += shared_marker::kComServer;
        else if (file.kind == kKindTypeLibrary)
            entry += shared_marker::kTypeLibrary;
        list.push_back(std::move(entry));
    }
    return list;
}

std::string SharedEntryPath(std::string entry) {
    RemoveOneTrailing(entry, shared_marker::kComServer);
    RemoveOneTrailing(entry, shared_marker::kPermanent);
    RemoveOneTrailing(entry, shared_marker::kTypeLibrary);
    return entry;
}

void RaiseSharedFileCounts(const std::vector<std::string>& list, std::string& sharedFiles, InstallLog& log,
                           FailureList& failures) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, registry_option::kDefaultSecurity,
                 KEY_QUERY_VALUE | KEY_SET_VALUE) == RegistryOpen::kFailed) {
        const unsigned long code = GetLastError();
        failures.Append(
            FormatText(L"Registry error: unable to increment shared file reference "
                       L"counts.\r\nHKLM\\%s\r\n0x%08X: %s\r\n\r\n",
                       {kSharedDllsKey, code, SystemErrorText(code)}));
        return;
    }
    for (const std::string& entry : list) {
        const std::string quoted = "\"" + entry + "\"";
        if (sharedFiles.find(quoted) != std::string::npos)
            continue;
        // The value is named by the path; the wide functions see the same name for plain
        // 8-bit text once it is read with the ANSI code page.
        const std::wstring name = DecodeText(SharedEntryPath(entry), AnsiCodePageToUtf16);
        DWORD count = 0;
        if (!key.ReadNumber(name, count))
            count = 0;
        if (!key.SetNumber(name, count + 1))
            log.WriteLogPieces({L"Failed to increment reference count of shared file \"", name, L"\" : ",
                                SystemErrorText(GetLastError()), L"\r\n"});
        if (!sharedFiles.empty())
            sharedFiles += ';';
        sharedFiles += quoted;
    }
}

}  // namespace vantrel
