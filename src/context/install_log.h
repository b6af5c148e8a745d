#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "format/text_format.h"
#include "support/unique_handle.h"

namespace vantrel {

// The body of the installation log: every step of an installation reports here what it
// did. Lines go to a temporary file (UTF-8, no byte-order mark) from the moment the
// installation proper begins; what is written before that is discarded. No writer ever
// fails visibly. FinishInstallLog turns the body into Install.log.
class InstallLog {
  public:
    InstallLog() = default;
    ~InstallLog();
    InstallLog(const InstallLog&) = delete;
    InstallLog& operator=(const InstallLog&) = delete;

    // Opens the body file in the installer's temporary folder. False when it cannot be made
    // (the run goes on; the lines are then lost).
    bool Begin();
    bool IsOpen() const { return body_.Valid(); }
    const std::wstring& BodyPath() const { return bodyPath_; }

    // 8-bit text is Windows-1252, whatever the system code page is.
    void WriteLog(std::string_view text);
    void WriteLog(std::wstring_view text);
    void WriteLogPieces(std::initializer_list<std::string_view> pieces);
    void WriteLogPieces(std::initializer_list<std::wstring_view> pieces);
    void WriteLogFormat(std::wstring_view format, std::initializer_list<FormatArg> args);
    // An 8-bit (Windows-1252) format; text arguments are UTF-16 as always.
    void WriteLogFormat(std::string_view format, std::initializer_list<FormatArg> args);
    // Bytes written unchanged (captured batch output is already UTF-8 or the console's own).
    void WriteLogRaw(const void* data, std::size_t size);

    // Appends the whole body to an open file at its current position.
    bool CopyBodyTo(HANDLE target);
    // Closes and deletes the body file; later writes are discarded again.
    void CloseAndDelete();

  private:
    void WriteUtf8(const std::string& bytes);

    UniqueHandle body_;
    std::wstring bodyPath_;
};

}  // namespace vantrel
