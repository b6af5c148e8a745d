#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel::test {

// A program started by a test; killed on destruction if it is still running.
class ChildProcess {
  public:
    // Starts `program` with the command line `"program" arguments`.
    static ChildProcess Start(const std::wstring& program, const std::wstring& arguments);
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    // The full 32-bit exit code, or nothing if the process is still running at the timeout.
    std::optional<DWORD> Wait(DWORD timeoutMs);

  private:
    ChildProcess() = default;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// "Z:\..." for a host path (Wine maps the Linux root to drive Z:).
std::wstring HostPathToWindows(const char* hostPath);

// A fresh empty folder for one test, removed with its contents on destruction.
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring Join(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

}  // namespace vantrel::test
