#include "support/child_process.h"

#include <shellapi.h>

#include <utility>

namespace vantrel::test {
namespace {

// Removes a folder with everything in it (left over from an earlier run, or ours).
void RemoveTree(const std::wstring& path) {
    SHFILEOPSTRUCTW remove{};
    const std::wstring doubleNull = path + L'\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = doubleNull.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationW(&remove);
}

}  // namespace

ChildProcess ChildProcess::Start(const std::wstring& program, const std::wstring& arguments) {
    ChildProcess child;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        child.process_ = info.hProcess;
        child.id_ = info.dwProcessId;
    }
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(other.id_) {}

ChildProcess::~ChildProcess() {
    if (process_ == nullptr)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::optional<DWORD> ChildProcess::Wait(DWORD timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring HostPathToWindows(const char* hostPath) {
    std::wstring path = L"Z:";
    for (const char* c = hostPath; *c != '\0'; ++c)
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    return path;
}

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"vantrel-test-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

}  // namespace vantrel::test
