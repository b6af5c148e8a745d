#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "format/file_time.h"
#include "support/unique_handle.h"

namespace vantrel {

class FailureList;
class InstallLog;
class MessageTable;

// What writing a file needs from the run: where failures and notes go, the installer's
// texts (message 31 opens each failure) and the running option word, whose bits it follows
// (0x40000 read back and compare, 0x80000 clear protecting attributes before retrying, 0x800
// replace any locked file at restart) and sets (0x4000, a restart is needed).
struct FileWriteContext {
    InstallLog& log;
    FailureList& failures;
    const MessageTable& messages;
    std::uint32_t& productFlagsLow;
};

// How one file is written.
struct FileWriteRequest {
    std::optional<FileTimes> times;         // set on the written file; none keeps the system's
    std::uint32_t attributes = 0xFFFFFFFF;  // masked with 0x1127; 0xFFFFFFFF keeps them
    bool mayReplaceAtRestart = false;       // a locked target is replaced at the next restart
};

// Writes a whole file: up to three attempts 50 ms apart (missing folders are created after
// the first), an optional read-back comparison, and, when the target stays locked and the
// request or the option word allows it, a "QVT" temporary file beside the target that
// replaces it at the next restart (then `registeredForReplacement` is set, the note goes
// to the log and the result is still false: the target does not hold the data yet). Every
// other failure is reported to the failure list; a file that was opened but not fully
// written, or that reads back different on the last attempt, is deleted rather than left
// under the target's name. The path is encoded text.
bool WriteFileWithRetries(FileWriteContext& context, std::string_view encodedPath,
                          std::span<const std::uint8_t> data, const FileWriteRequest& request,
                          bool& registeredForReplacement);
// The same with a UTF-16 path.
bool WriteFileWithRetries(FileWriteContext& context, const std::wstring& path,
                          std::span<const std::uint8_t> data, const FileWriteRequest& request,
                          bool& registeredForReplacement);

// The streaming form of WriteFileWithRetries, for data that arrives in pieces (a file of up
// to a gigabyte decoded block by block) and is never held whole:
//
//     StreamingFileWrite write(context, targetPath, request);
//     if (write.Begin() == StreamingFileWrite::Destination::kNone)
//         return;                           // failure already reported
//     for (each decoded piece)
//         if (!write.Write(piece.data(), piece.size()))
//             return;                       // failure reported, nothing left behind
//     const bool written = write.Finish();  // false also when registered for restart
//     if (write.RegisteredForReplacement()) ...
//
// Begin makes the attempts and decides, before the first byte, where the data goes: the
// target itself, or (target locked, replacement allowed) a QVT file beside it. Write appends
// a piece and keeps a CRC-32 of everything written. Finish closes the file; with the
// read-back option it reads the file again and compares length and CRC instead of the data;
// then it sets times and attributes on the target, or registers the QVT file's move onto the
// target. A failure anywhere, and an object dropped before Finish (call Abandon, or let the
// destructor do it), deletes what was written: a half-written file never stays under the
// target's name, and no temporary file stays behind.
class StreamingFileWrite {
  public:
    enum class Destination { kNone, kTarget, kTemporary };

    StreamingFileWrite(FileWriteContext& context, std::wstring target, FileWriteRequest request);
    ~StreamingFileWrite();
    StreamingFileWrite(const StreamingFileWrite&) = delete;
    StreamingFileWrite& operator=(const StreamingFileWrite&) = delete;

    Destination Begin();
    bool Write(const void* data, std::size_t size);
    bool Finish();
    // Deletes what was written so far without reporting anything (the caller reports why).
    void Abandon();

    Destination Where() const { return destination_; }
    bool RegisteredForReplacement() const { return registered_; }
    const std::wstring& TemporaryPath() const { return temporary_; }

  private:
    void Fail(DWORD error);

    FileWriteContext& context_;
    std::wstring target_;
    FileWriteRequest request_;
    Destination destination_ = Destination::kNone;
    UniqueHandle file_;
    std::wstring temporary_;
    std::wstring pendingText_;  // the failure text that a successful registration logs instead
    std::uint64_t written_ = 0;
    std::uint32_t crc_ = 0;
    bool registered_ = false;
    bool finished_ = false;
};

}  // namespace vantrel
