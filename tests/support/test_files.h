#pragma once

#include <windows.h>

#include <string>

namespace vantrel::test {

// Small file helpers for the Windows-side tests.
bool WriteTestFile(const std::wstring& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadTestFile(const std::wstring& path);
bool PathExists(const std::wstring& path);
// Waits until nothing is at `path` any more (another process removes it); false when
// something is still there after `timeoutMs`.
bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs);
// Every name in a folder that begins with `prefix` (case-insensitive).
int CountFilesStartingWith(const std::wstring& folder, const std::wstring& prefix);

// A file held open without sharing by this process until destruction.
class LockedFile {
  public:
    explicit LockedFile(const std::wstring& path)
        : handle_(
              CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)) {}
    ~LockedFile() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

}  // namespace vantrel::test
