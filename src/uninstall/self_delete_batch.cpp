#include "uninstall/self_delete_batch.h"

#include <windows.h>
#include <shellapi.h>

#include "format/batch_text.h"
#include "format/os_version.h"
#include "format/path_join.h"
#include "format/text_format.h"
#include "support/file_system.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/temp_file_name.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

constexpr int kMaxFolderLevels = 50;
// One try a second for about three minutes.
constexpr int kMaxTries = 180;

bool IsWindows7OrLater() {
    const OsVersionInfo& os = CurrentOs();
    return os.platformId == os_platform::kNt && (os.major > 6 || (os.major == 6 && os.minor >= 1));
}

}  // namespace

std::wstring SelfDeletionBatchText(const std::wstring& uninstallerPath, const std::wstring& installDir,
                                   const std::wstring& uninstallSubdir, const std::wstring& batchPath,
                                   const std::wstring& systemFolder) {
    const std::wstring uninstaller = BatchLiteral(uninstallerPath);
    const std::wstring ping = BatchLiteral(PathJoin(systemFolder, L"ping.exe"));
    std::wstring text = L"set /a tries=0\r\n:Repeat\r\n";
    text += FormatText(L"del \"%s\"\r\nif not exist \"%s\" goto Removed\r\n", {uninstaller, uninstaller});
    text += FormatText(L"set /a tries+=1\r\nif %%tries%% geq %d goto Removed\r\n", {kMaxTries});
    text += FormatText(L"\"%s\" -n 2 127.0.0.1 >nul\r\ngoto Repeat\r\n:Removed\r\n", {ping});
    text += FormatText(L"\"%s\" -n 4 127.0.0.1 >nul\r\n", {ping});
    std::wstring relative = uninstallSubdir;
    for (int level = 0; level < kMaxFolderLevels && !WithoutTrailingBackslash(relative).empty(); ++level) {
        text += FormatText(L"rd \"%s\"\r\n",
                           {BatchLiteral(PathJoin(installDir, WithoutTrailingBackslash(relative)))});
        relative = WithoutLastComponent(relative);
    }
    text += FormatText(L"rd \"%s\"\r\n", {BatchLiteral(installDir)});
    text += FormatText(L"del \"%s\"\r\n", {BatchLiteral(batchPath)});
    return text;
}

bool StartSelfDeletionBatch(const std::wstring& uninstallerPath, const std::wstring& installDir,
                            const std::wstring& uninstallSubdir, const std::wstring& folder) {
    const std::wstring systemFolder = SystemFolder();
    const std::wstring batchPath = PathJoin(folder.empty() ? TemporaryFolder() : folder, L"delunins.bat");
    const std::string bytes = EncodeBatchText(
        SelfDeletionBatchText(uninstallerPath, installDir, uninstallSubdir, batchPath, systemFolder),
        IsWindows7OrLater());
    {
        UniqueHandle file(CreateFileW(batchPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteAll(file.Get(), bytes.data(), bytes.size()))
            return false;
    }
    const std::wstring shortPath = ShortPathOf(batchPath);
    const std::wstring interpreter = PathJoin(systemFolder, L"cmd.exe");
    std::wstring commandLine =
        L"\"" + interpreter + L"\" /c \"" + (shortPath.empty() ? batchPath : shortPath) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // The system folder as the working folder: the batch runs no program from where the
    // uninstaller happened to be started.
    if (CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                       nullptr, systemFolder.c_str(), &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", batchPath.c_str(), nullptr, systemFolder.c_str(), SW_HIDE));
    return result > 32;
}

}  // namespace vantrel
