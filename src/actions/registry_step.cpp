#include "actions/registry_step.h"

#include <vector>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/registry_instructions.h"
#include "format/text_format.h"
#include "support/registry_all_users.h"
#include "support/registry_key.h"
#include "support/restart_operations.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/temp_file_name.h"
#include "support/file_system.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

void WriteInstructionValue(const RegistryInstruction& instruction, unsigned options, REGSAM access,
                           const ExpandText& expand, FailureList& failures) {
    std::wstring data = instruction.data;
    if (instruction.type == registry_type::kString && expand)
        expand(data);
    const std::vector<std::uint8_t> bytes = RegistryValueBytes(instruction.type, data);
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (IsAllUsersPath(instruction.keyPath)) {
        AllUsersSetValue(std::wstring_view(instruction.keyPath).substr(kAllUsersRoot.size()),
                         instruction.valueName, instruction.type, bytes.data(), size, access, options);
        return;
    }
    RegistryKey key;
    if (key.OpenPath(instruction.keyPath, 0, access) == RegistryOpen::kFailed) {
        failures.Append(L"Failed to create registry key: " + instruction.keyPath + L"\r\n");
        return;
    }
    if (!key.SetValue(instruction.valueName, instruction.type, bytes.data(), size, options))
        failures.Append(L"Failed to create registry value \"" + instruction.valueName + L"\": " +
                        SystemErrorText(GetLastError()) + L"\r\n");
}

void ApplyValueRecord(const RegistryInstruction& instruction, REGSAM access, const ExpandText& expand,
                      FailureList& failures) {
    const std::uint32_t mode = instruction.mode;
    if (mode == registry_mode::kDeleteAtInstall || mode == registry_mode::kDeleteAlways) {
        // The key is created when missing, as for a write.
        DeletePathValue(instruction.keyPath, instruction.valueName, 0, access);
        return;
    }
    unsigned options = 0;
    if (mode == registry_mode::kWriteIfAbsent)
        options = registry_option::kKeepExisting;
    else if (mode != registry_mode::kWriteKeep && mode != registry_mode::kWriteDelete)
        return;
    WriteInstructionValue(instruction, options, access, expand, failures);
}

// The system's registry editor, never one found through the search path or beside the
// installer (which usually runs from a downloads folder, with elevation).
std::wstring RegistryEditorPath() {
    std::wstring path = WindowsFolder();
    if (!path.empty() && path.back() != L'\\')
        path.push_back(L'\\');
    return path + L"regedit.exe";
}

bool WriteMergeFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    const bool written = WriteAll(file.Get(), bytes.data(), bytes.size());
    const DWORD error = GetLastError();
    file.Reset();
    SetLastError(error);
    return written;
}

}  // namespace

REGSAM RegistryStepAccess(bool view64) {
    return kRegistryStepAccess | (view64 ? KEY_WOW64_64KEY : 0);
}

void CreateProductRegistryKey(std::wstring_view productKey, REGSAM access, FailureList& failures) {
    if (productKey.empty())
        return;
    const std::wstring path = L"Software\\" + std::wstring(productKey);
    const bool everyUser = AllUsersCreateKey(path, access);
    const DWORD everyUserError = GetLastError();
    RegistryKey machine;
    const bool machineDone = machine.Open(HKEY_LOCAL_MACHINE, path, 0, access) != RegistryOpen::kFailed;
    const DWORD machineError = GetLastError();
    if (everyUser && machineDone)
        return;
    const DWORD code = machineDone ? everyUserError : machineError;
    failures.Append(FormatText(L"Error creating registry keys at \\Software\\%s\r\nCode %d: %s\r\n\r\n",
                               {std::wstring(productKey), static_cast<int>(code), SystemErrorText(code)}));
}

void ApplyRegistryInstructions(std::wstring_view text, REGSAM access, const ExpandText& expand,
                               FailureList& failures) {
    for (const RegistryRecord& record : ReadRegistryRecords(text)) {
        const RegistryInstruction& instruction = record.instruction;
        switch (record.shape) {
            case RegistryRecord::Shape::kKey:
                if (IsAllUsersPath(instruction.keyPath)) {
                    AllUsersCreateKey(std::wstring_view(instruction.keyPath).substr(kAllUsersRoot.size()),
                                      access);
                } else {
                    RegistryKey key;
                    key.OpenPath(instruction.keyPath, 0, access);
                }
                break;
            case RegistryRecord::Shape::kValue:
                ApplyValueRecord(instruction, access, expand, failures);
                break;
            case RegistryRecord::Shape::kIllegal:
                failures.Append(L"Illegal registry entry: " + record.text + L"\r\n");
                break;
        }
    }
}

std::wstring ImportRegistryMergeFile(std::span<const std::uint8_t> mergeText, InstallLog& log,
                                     FailureList& failures) {
    if (mergeText.empty())
        return {};
    const std::wstring path = MakeTempFileName(TemporaryFolder(), L"reg");
    if (path.empty() || !WriteMergeFile(path, mergeText)) {
        const DWORD error = GetLastError();
        if (!path.empty())
            DeleteFileW(path.c_str());
        failures.Append(L"Failed to create the registry merge file: " + SystemErrorText(error) + L"\r\n");
        return {};
    }
    log.WriteLog(std::string_view("Merging registry file..."));
    const std::wstring editor = RegistryEditorPath();
    std::wstring commandLine = L"\"" + editor + L"\" /s \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        log.WriteLog(std::string_view("OK\r\n"));
    } else {
        const std::wstring reason = SystemErrorText(GetLastError());
        log.WriteLogPieces(
            {std::wstring_view(L"FAILED!\r\n"), std::wstring_view(reason), std::wstring_view(L"\r\n")});
        failures.Append(L"Failed to import the registry merge file: " + reason + L"\r\n");
    }
    DelayedMove(path, L"");
    return path;
}

void RunRegistryStep(const RegistryStepSettings& settings, const ExpandText& expand, InstallLog& log,
                     FailureList& failures) {
    const REGSAM access = RegistryStepAccess(settings.view64);
    if (!settings.skipKeysAndInstructions) {
        CreateProductRegistryKey(settings.productRegistryKey, access, failures);
        if (!settings.instructions.empty())
            ApplyRegistryInstructions(settings.instructions, access, expand, failures);
    }
    ImportRegistryMergeFile(settings.mergeText, log, failures);
}

}  // namespace vantrel
