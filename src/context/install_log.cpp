#include "context/install_log.h"

#include <string>
#include <vector>

#include "format/text_encoding.h"
#include "support/temp_file_name.h"

namespace vantrel {
namespace {

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x100000 ? 0x100000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

}  // namespace

InstallLog::~InstallLog() {
    CloseAndDelete();
}

bool InstallLog::Begin() {
    if (body_)
        return true;
    const std::wstring path = MakeTempFileName(TemporaryFolder(), L"", 0);
    if (path.empty())
        return false;
    // The unique-name function has created the file already. Others may read it meanwhile.
    body_.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!body_) {
        DeleteFileW(path.c_str());
        return false;
    }
    SetFilePointer(body_.Get(), 0, nullptr, FILE_END);
    bodyPath_ = path;
    return true;
}

void InstallLog::WriteUtf8(const std::string& bytes) {
    if (!body_ || bytes.empty())
        return;
    const DWORD error = GetLastError();
    WriteAll(body_.Get(), bytes.data(), bytes.size());
    // Logging a failure must not disturb the error code the caller is about to report.
    SetLastError(error);
}

void InstallLog::WriteLog(std::string_view text) {
    WriteUtf8(Windows1252ToUtf8(text));
}

void InstallLog::WriteLog(std::wstring_view text) {
    WriteUtf8(Utf16ToUtf8(text));
}

void InstallLog::WriteLogPieces(std::initializer_list<std::string_view> pieces) {
    std::string joined;
    for (const std::string_view piece : pieces)
        joined.append(piece);
    WriteLog(std::string_view(joined));
}

void InstallLog::WriteLogPieces(std::initializer_list<std::wstring_view> pieces) {
    std::wstring joined;
    for (const std::wstring_view piece : pieces)
        joined.append(piece);
    WriteLog(std::wstring_view(joined));
}

void InstallLog::WriteLogFormat(std::wstring_view format, std::initializer_list<FormatArg> args) {
    WriteLog(std::wstring_view(FormatText(format, args)));
}

void InstallLog::WriteLogFormat(std::string_view format, std::initializer_list<FormatArg> args) {
    WriteLog(std::wstring_view(FormatText(Windows1252ToUtf16(format), args)));
}

void InstallLog::WriteLogRaw(const void* data, std::size_t size) {
    if (!body_ || size == 0)
        return;
    const DWORD error = GetLastError();
    WriteAll(body_.Get(), data, size);
    SetLastError(error);
}

bool InstallLog::CopyBodyTo(HANDLE target) {
    if (!body_)
        return true;
    if (SetFilePointer(body_.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    while (true) {
        DWORD read = 0;
        if (!ReadFile(body_.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        if (!WriteAll(target, buffer.data(), read)) {
            ok = false;
            break;
        }
    }
    SetFilePointer(body_.Get(), 0, nullptr, FILE_END);
    return ok;
}

void InstallLog::CloseAndDelete() {
    if (body_) {
        body_.Reset();
        DeleteFileW(bodyPath_.c_str());
    }
    bodyPath_.clear();
}

}  // namespace vantrel
