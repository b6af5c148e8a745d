#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/extraction/extraction_state.h"
#include "engine/extraction/replacement.h"
#include "format/file_time.h"

namespace vantrel {

// One file to write, with what is known before its data arrives.
struct FileWriteRequest {
    std::wstring path;
    std::uint64_t size = 0;
    FileTimeRecord time{};
    std::uint32_t attributes = 0xFFFFFFFF;  // 0xFFFFFFFF: leave them as they are
    bool restartReplacementAllowed = false;
};

struct FileWriteOutcome {
    bool writtenNow = false;
    bool registeredForRestart = false;  // replaced at the next restart instead
};

// A file being written from pieces of data. Destroyed without Finish, it leaves nothing
// half-written under the target's name.
class StreamingFileWrite {
  public:
    virtual ~StreamingFileWrite() = default;
    // False once writing has failed; the rest of the data is then ignored.
    virtual bool Write(std::span<const std::uint8_t> piece) = 0;
    // Completes the file (times, attributes, read-back check) and says where it went.
    virtual FileWriteOutcome Finish() = 0;
};

// The result of creating a destination folder with its missing parents.
struct FolderCreation {
    bool ok = false;
    unsigned long errorCode = 0;        // the system's code when it failed
    bool fileInTheWay = false;          // a file holds the name of a folder on the way
    std::vector<std::wstring> created;  // the folders made, outermost first
};

// What the extraction asks of the rest of the installer. Writing, removal records and
// folder creation belong to the file layer; the last group to the shared-files step.
struct ExtractionServices {
    // Starts writing a file. Null when no attempt could open it; the writer has then logged
    // or listed the failure itself.
    std::function<std::unique_ptr<StreamingFileWrite>(const FileWriteRequest&)> beginWrite;
    std::function<void(const std::wstring& path)> recordFileRemoval;
    std::function<void(const std::wstring& folder)> recordFolderRemoval;  // removed when empty
    std::function<FolderCreation(const std::wstring& folder)> createFolder;
    // The file at a destination: existence, time, and the version text when asked for.
    std::function<ExistingFile(const std::wstring& path, bool withVersion)> probeExisting;
    std::function<std::wstring(std::wstring_view path)> normalisePath;

    // Fonts are registered as soon as they are written.
    std::function<void(const FontEntry& font, const std::wstring& path)> registerFont;
    // MSI packages and applets are handled as soon as they are written; without these they
    // are only listed.
    std::function<void(const MsiPackageEntry& package)> installMsiPackage;
    std::function<void(const AppletEntry& applet)> registerApplet;

    // The progress display: the status line and the percentage; messages are pumped there.
    std::function<void(const std::wstring& status)> showStatus;
    std::function<void(int percent)> showProgress;
    std::function<void()> pumpMessages;

    // Test hook: runs inside each record's guarded installation, before the file is written.
    std::function<void(const std::wstring& destination)> beforeWrite;
};

// Plain implementations of the services that need nothing but the system: existence, time
// and version of a file, full paths, folder creation.
ExistingFile ProbeExistingFile(const std::wstring& path, bool withVersion);
std::wstring FullPath(std::wstring_view path);
FolderCreation CreateFolderWithParents(const std::wstring& folder);

}  // namespace vantrel
