#include "uninstall/file_writer.h"

#include <cstring>
#include <vector>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/crc32.h"
#include "format/message_table.h"
#include "format/path_join.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/ansi_text.h"
#include "support/file_access.h"
#include "support/file_system.h"
#include "support/folder_tree.h"
#include "support/system_info.h"
#include "uninstall/file_removal.h"

namespace vantrel {
namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryPauseMs = 50;
constexpr DWORD kAttributeMask = 0x1127;  // read-only, hidden, system, archive, temporary, offline
// A read-back that does not match: the system's "data error" says it best.
constexpr DWORD kMismatchError = ERROR_CRC;

UniqueHandle OpenForWriting(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

UniqueHandle OpenForReading(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// After a failed attempt: the first one creates missing folders and, when the option asks,
// clears the attributes that keep a file from being overwritten.
void PrepareRetry(const FileWriteContext& context, const std::wstring& path, int attempt, DWORD error) {
    if (attempt == 1) {
        if (error == ERROR_PATH_NOT_FOUND)
            CreateFolderTree(WithoutLastComponent(path));
        if (context.productFlagsLow & product_flags::kClearAttributesOnRetry)
            ClearProtectingAttributes(path);
    }
    if (attempt < kAttempts)
        Sleep(kRetryPauseMs);
}

// Reads the written file back in pieces; false when it cannot be read or `piece` says no.
// `piece` is called with an empty piece at the end.
template <class Piece>
bool ReadBack(const std::wstring& path, Piece&& piece) {
    UniqueHandle file = OpenForReading(path);
    if (!file)
        return false;
    std::vector<std::uint8_t> buffer(256 * 1024);
    while (true) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (!piece(buffer.data(), read))
            return false;
        if (read == 0)
            return true;
    }
}

bool ReadBackEquals(const std::wstring& path, std::span<const std::uint8_t> data) {
    std::size_t at = 0;
    return ReadBack(path, [&](const std::uint8_t* bytes, DWORD read) {
        if (read == 0)
            return at == data.size();
        if (read > data.size() - at || std::memcmp(bytes, data.data() + at, read) != 0)
            return false;
        at += read;
        return true;
    });
}

bool ReadBackMatches(const std::wstring& path, std::uint64_t length, std::uint32_t crc) {
    std::uint64_t total = 0;
    std::uint32_t readCrc = 0;
    return ReadBack(path, [&](const std::uint8_t* bytes, DWORD read) {
        if (read == 0)
            return total == length && readCrc == crc;
        readCrc = Crc32(bytes, read, readCrc);
        total += read;
        return true;
    });
}

FILETIME ToFileTime(std::uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

void ApplyTimes(const std::wstring& path, const FileWriteRequest& request) {
    if (!request.times)
        return;
    const FILETIME creation = ToFileTime(request.times->creation);
    const FILETIME lastAccess = ToFileTime(request.times->lastAccess);
    const FILETIME lastWrite = ToFileTime(request.times->lastWrite);
    SetFileTimes(path, &creation, &lastAccess, &lastWrite);
}

// The same through the handle that wrote the file, in one call: no second opening of the
// file, which costs as much as writing a small file on some systems.
bool ApplyTimesAndAttributesToOpenFile(HANDLE file, const FileWriteRequest& request) {
    FILE_BASIC_INFO info{};  // a zero time or attribute word leaves that one unchanged
    if (request.times) {
        info.CreationTime.QuadPart = static_cast<LONGLONG>(request.times->creation);
        info.LastAccessTime.QuadPart = static_cast<LONGLONG>(request.times->lastAccess);
        info.LastWriteTime.QuadPart = static_cast<LONGLONG>(request.times->lastWrite);
    }
    if (request.attributes != 0xFFFFFFFF) {
        const DWORD attributes = request.attributes & kAttributeMask;
        info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    }
    if (!request.times && info.FileAttributes == 0)
        return true;
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0;
}

void ApplyTimesAndAttributes(const std::wstring& path, const FileWriteRequest& request) {
    ApplyTimes(path, request);
    if (request.attributes != 0xFFFFFFFF) {
        const DWORD attributes = request.attributes & kAttributeMask;
        SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes);
    }
}

bool MayReplaceAtRestart(const FileWriteContext& context, const FileWriteRequest& request, DWORD error) {
    const bool allowed =
        request.mayReplaceAtRestart || (context.productFlagsLow & product_flags::kDeferAnyLockedFile) != 0;
    return allowed && error != ERROR_INVALID_NAME;
}

// The text of a write that failed for good. False when the drive is not there at all:
// then the text is complete and nothing can be registered.
bool BuildLastingFailureText(const FileWriteContext& context, const std::wstring& path, DWORD error,
                             std::wstring& text) {
    text = L"\r\n" + context.messages.Text(31) + L" " + path + L"\r\n";
    if (path.size() >= 2 && path[1] == L':' && !IsDrivePresent(path[0])) {
        text += L"Drive ";
        text += path[0];
        text += L": is not present.\r\n";
        return false;
    }
    text += SystemErrorText(error) + L"\r\n\r\n";
    return true;
}

// A temporary file in the target's folder; its name is empty when none could be made.
std::wstring MakeTemporaryBeside(const std::wstring& target) {
    std::wstring folder = WithoutLastComponent(target);
    if (folder.size() == 2 && folder[1] == L':')
        folder.push_back(L'\\');
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(folder.c_str(), L"QVT", 0, name) == 0)
        return {};
    return name;
}

void AddNoTemporaryText(std::wstring& text, const std::wstring& target, DWORD error) {
    text += FormatText(
        L"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
        {target, SystemErrorText(error)});
}

// The temporary file holds the data: register it to replace the target at restart. On
// success the note goes to the log and a restart is marked as needed; otherwise the
// temporary file goes and the failure is reported.
void CompleteReplacement(FileWriteContext& context, std::wstring text, const std::wstring& temporary,
                         const std::wstring& target, const FileWriteRequest& request, bool& registered) {
    ApplyTimes(temporary, request);
    if (RegisterReplacementAtRestart(temporary, target)) {
        text += FormatText(
            L"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\nReboot will "
            L"be "
            L"required.\r\n\r\n",
            {target, temporary});
        context.productFlagsLow |= product_flags::kRebootNeeded;
        registered = true;
        context.log.WriteLog(text);
        return;
    }
    const DWORD error = GetLastError();
    text += FormatText(L"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n",
                       {target, temporary, SystemErrorText(error)});
    DeleteFileW(temporary.c_str());
    context.failures.Append(text);
}

}  // namespace

bool WriteFileWithRetries(FileWriteContext& context, std::string_view encodedPath,
                          std::span<const std::uint8_t> data, const FileWriteRequest& request,
                          bool& registeredForReplacement) {
    return WriteFileWithRetries(context, DecodeText(encodedPath, AnsiCodePageToUtf16), data, request,
                                registeredForReplacement);
}

bool WriteFileWithRetries(FileWriteContext& context, const std::wstring& path,
                          std::span<const std::uint8_t> data, const FileWriteRequest& request,
                          bool& registeredForReplacement) {
    registeredForReplacement = false;
    DWORD error = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        UniqueHandle file = OpenForWriting(path);
        if (file && WriteAll(file.Get(), data.data(), data.size())) {
            file.Reset();
            const bool verify = (context.productFlagsLow & product_flags::kVerifyWrites) != 0;
            if (!verify || ReadBackEquals(path, data)) {
                ApplyTimesAndAttributes(path, request);
                return true;
            }
            if (attempt < kAttempts)
                continue;  // a mismatch is retried at once
            // A file that does not hold the data must not pass for the installed one.
            DeleteFileW(path.c_str());
            AddFailure(context.failures, context.messages, path, kMismatchError);
            return false;
        }
        error = GetLastError();
        if (file) {
            // Opened but not fully written (a full disk): no half-written file stays.
            file.Reset();
            DeleteFileW(path.c_str());
        }
        PrepareRetry(context, path, attempt, error);
    }

    std::wstring text;
    if (!BuildLastingFailureText(context, path, error, text) ||
        !MayReplaceAtRestart(context, request, error)) {
        context.failures.Append(text);
        return false;
    }
    const std::wstring temporary = MakeTemporaryBeside(path);
    bool written = false;
    if (!temporary.empty()) {
        UniqueHandle file = OpenForWriting(temporary);
        written = file && WriteAll(file.Get(), data.data(), data.size());
    }
    if (!written) {
        AddNoTemporaryText(text, path, GetLastError());
        if (!temporary.empty())
            DeleteFileW(temporary.c_str());
        context.failures.Append(text);
        return false;
    }
    CompleteReplacement(context, text, temporary, path, request, registeredForReplacement);
    return false;
}

StreamingFileWrite::StreamingFileWrite(FileWriteContext& context, std::wstring target,
                                       FileWriteRequest request)
    : context_(context), target_(std::move(target)), request_(std::move(request)) {}

StreamingFileWrite::~StreamingFileWrite() {
    Abandon();
}

StreamingFileWrite::Destination StreamingFileWrite::Begin() {
    if (destination_ != Destination::kNone || finished_)
        return destination_;
    DWORD error = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        file_ = OpenForWriting(target_);
        if (file_) {
            destination_ = Destination::kTarget;
            return destination_;
        }
        error = GetLastError();
        PrepareRetry(context_, target_, attempt, error);
    }
    finished_ = true;
    std::wstring text;
    if (!BuildLastingFailureText(context_, target_, error, text) ||
        !MayReplaceAtRestart(context_, request_, error)) {
        context_.failures.Append(text);
        return destination_;
    }
    temporary_ = MakeTemporaryBeside(target_);
    if (!temporary_.empty())
        file_ = OpenForWriting(temporary_);
    if (!file_) {
        AddNoTemporaryText(text, target_, GetLastError());
        if (!temporary_.empty())
            DeleteFileW(temporary_.c_str());
        temporary_.clear();
        context_.failures.Append(text);
        return destination_;
    }
    finished_ = false;
    pendingText_ = std::move(text);
    destination_ = Destination::kTemporary;
    return destination_;
}

bool StreamingFileWrite::Write(const void* data, std::size_t size) {
    if (finished_ || !file_)
        return false;
    if (!WriteAll(file_.Get(), data, size)) {
        Fail(GetLastError());
        return false;
    }
    crc_ = Crc32(data, size, crc_);
    written_ += size;
    return true;
}

bool StreamingFileWrite::Finish() {
    if (finished_ || !file_)
        return false;
    const bool verify = (context_.productFlagsLow & product_flags::kVerifyWrites) != 0;
    // Without the read-back the times and attributes go on before the handle closes; a
    // system that refuses that gets them by name below.
    bool applied = false;
    if (destination_ == Destination::kTarget && !verify)
        applied = ApplyTimesAndAttributesToOpenFile(file_.Get(), request_);
    file_.Reset();
    if (destination_ == Destination::kTemporary) {
        finished_ = true;
        CompleteReplacement(context_, std::move(pendingText_), temporary_, target_, request_, registered_);
        if (!registered_)
            temporary_.clear();
        return false;
    }
    if (verify && !ReadBackMatches(target_, written_, crc_)) {
        Fail(kMismatchError);
        return false;
    }
    finished_ = true;
    if (!applied)
        ApplyTimesAndAttributes(target_, request_);
    return true;
}

void StreamingFileWrite::Fail(DWORD error) {
    Abandon();
    if (destination_ == Destination::kTemporary) {
        std::wstring text = std::move(pendingText_);
        AddNoTemporaryText(text, target_, error);
        context_.failures.Append(text);
    } else {
        AddFailure(context_.failures, context_.messages, target_, error);
    }
}

void StreamingFileWrite::Abandon() {
    if (finished_ || destination_ == Destination::kNone)
        return;
    finished_ = true;
    file_.Reset();
    DeleteFileW((destination_ == Destination::kTemporary ? temporary_ : target_).c_str());
    temporary_.clear();
}

}  // namespace vantrel
