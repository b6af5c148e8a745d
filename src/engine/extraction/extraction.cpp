#include "engine/extraction/extraction.h"

#include <algorithm>
#include <memory>

#include "context/install_log.h"
#include "engine/extraction/replacement.h"
#include "format/data_area_reader.h"
#include "format/path_join.h"
#include "format/payload_error_codes.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/crash_guard.h"
#include "support/system_info.h"
#include "support/worker_pool.h"

namespace vantrel {
namespace {

constexpr std::uint32_t Kind(DestinationKind kind) {
    return static_cast<std::uint32_t>(kind);
}

// Kinds whose installation folder is made when missing (explicit destinations always are):
// the same kinds whose files the uninstaller removes.
bool KindCreatesFolder(std::uint32_t kind) {
    return KindRecordsFile(kind, false);
}

// Kinds whose newly made folders are removed again by the uninstaller when empty.
bool KindRecordsFolders(std::uint32_t kind) {
    return KindCreatesFolder(kind) || kind == Kind(DestinationKind::kShared);
}

bool AddsShortcut(const FileRecord& record) {
    if (record.kind == Kind(DestinationKind::kInstallDirShortcut))
        return true;
    return record.kind == Kind(DestinationKind::kInstallDir) && record.HasIcon();
}

class Extraction {
  public:
    Extraction(const ExtractionInputs& inputs, const ExtractionServices& services, ExtractionState& state,
               InstallLog& log)
        : in_(inputs), services_(services), state_(state), log_(log) {}

    int Run();

  private:
    int InstallRecord(DataAreaReader& reader, const StreamedRecord& item);
    bool Prepare(const FileRecord& record, const Destination& destination, bool& skip);
    int HandOff(const FileRecord& record, const std::wstring& path, const FileWriteOutcome& outcome);
    void LogCrash(const std::wstring& path) {
        log_.WriteLogPieces({path, std::wstring_view(L" CRASHED!\r\n")});
    }
    bool Permanent(const FileRecord& record) const { return (record.flags & file_flags::kPermanent) != 0; }

    const ExtractionInputs& in_;
    const ExtractionServices& services_;
    ExtractionState& state_;
    InstallLog& log_;
    // The folder of the last file written: the files of a folder come one after another, and
    // asking the system again for each of them is one call per file for nothing.
    std::wstring folderKnownToExist_;
};

int Extraction::Run() {
    std::unique_ptr<JobRunner> runner;
    if (in_.decodeThreads > 0)
        runner = std::make_unique<WorkerPool>(in_.decodeThreads);
    else
        runner = std::make_unique<InlineJobRunner>();
    // One block more than there are decoders keeps each of them busy while the writing
    // goes on; more would only hold memory.
    BlockDecoding decoding = in_.decoding;
    decoding.outputLimit = std::min(decoding.outputLimit, DecodedBytesAllowed(in_.header));
    DecodeAheadBlocks blocks(in_.dataArea, decoding, *runner, in_.decodeThreads + 1);
    DataAreaReader reader(blocks, in_.header, in_.dataArea.Length());
    reader.onBlock = [this] {
        if (services_.showStatus)
            services_.showStatus(in_.messages.Text(kMessageReadingData));
        // A large file takes many blocks: the windows must not wait for its end.
        if (services_.pumpMessages)
            services_.pumpMessages();
    };
    const std::size_t count = in_.header.FileCount();
    for (;;) {
        StreamedRecord item;
        const DataAreaStep step = reader.Next(item);
        if (step.errorCode != 0)
            return step.errorCode;
        if (step.finished)
            return 0;
        if (services_.showProgress)
            services_.showProgress(ExtractionProgress(item.index, count));
        if (const int error = InstallRecord(reader, item); error != 0)
            return error;
        if (services_.pumpMessages)
            services_.pumpMessages();
    }
}

int Extraction::InstallRecord(DataAreaReader& reader, const StreamedRecord& item) {
    const FileRecord& record = item.record;
    const Destination destination =
        ComputeDestination(record, in_.folders, in_.expand, services_.normalisePath);
    if (destination.errorCode != 0)
        return destination.errorCode;
    const std::wstring& path = destination.path;
    if (services_.showStatus) {
        const bool hide =
            StatusHidesPath(record, (in_.productFlagsHigh & product_flags::kHideFileNamesInProgress) != 0);
        services_.showStatus(hide ? in_.messages.Text(kMessageHiddenFile) : path);
    }

    // Reading another program's version resource is the first thing that can crash.
    const bool wantVersion = IsVersionedKind(record.kind) && !record.nameText.empty();
    ExistingFile existing;
    if (RunGuarded([&] { existing = services_.probeExisting(path, wantVersion); }).crashed) {
        if (const int error = reader.ReadData(nullptr); error != 0)
            return error;
        LogCrash(path);
        return 0;
    }
    const ReplacementDecision decision = DecideReplacement(record, path, existing, in_.folders.portable);
    if (!decision.install) {
        // The data is checked before anything is said about a file that is not written.
        if (const int error = reader.ReadData(nullptr); error != 0)
            return error;
        if (!decision.logLine.empty())
            log_.WriteLog(decision.logLine);
        if (decision.recordRemoval)
            services_.recordFileRemoval(path);
        return 0;
    }
    if (!decision.logLine.empty())
        log_.WriteLog(decision.logLine);

    // Everything that touches the system runs guarded; the reader itself never does, so
    // that a crash cannot leave it in the middle of an item.
    bool crashed = false;
    bool skip = false;
    std::unique_ptr<ExtractedFileWrite> writer;
    const GuardResult prepared = RunGuarded([&] {
        if (!Prepare(record, destination, skip))
            return;
        ExtractedFileRequest request;
        request.path = path;
        request.size = item.dataSize;
        request.time = record.fileTime;
        request.attributes = record.attributes;
        request.restartReplacementAllowed = decision.restartReplacementAllowed;
        if (services_.beforeWrite)
            services_.beforeWrite(path);
        writer = services_.beginWrite(request);
    });
    crashed = prepared.crashed;

    bool writeFailed = false;
    const int dataError = reader.ReadData([&](std::span<const std::uint8_t> piece) {
        if (crashed || writeFailed || skip || !writer)
            return;
        if (RunGuarded([&] { writeFailed = !writer->Write(piece); }).crashed)
            crashed = true;
    });
    auto abandon = [&] {
        if (writer && RunGuarded([&] { writer.reset(); }).crashed) {
            static_cast<void>(writer.release());  // whatever it holds is lost with the crash
            crashed = true;
        }
    };
    if (dataError != 0) {
        abandon();
        return dataError;
    }
    if (crashed || skip || writeFailed || !writer) {
        abandon();
        if (crashed)
            LogCrash(path);
        return 0;
    }

    int fatal = 0;
    const GuardResult finished = RunGuarded([&] {
        const FileWriteOutcome outcome = writer->Finish();
        writer.reset();
        fatal = HandOff(record, path, outcome);
    });
    if (finished.crashed) {
        static_cast<void>(writer.release());
        LogCrash(path);
    }
    return fatal;
}

// Steps before the write: the shortcut entry, the folder, the removal record. Returns false
// (and sets `skip`) when the folder cannot be made.
bool Extraction::Prepare(const FileRecord& record, const Destination& destination, bool& skip) {
    const std::wstring& path = destination.path;
    if (AddsShortcut(record)) {
        ShortcutEntry entry;
        entry.flags = record.flags & (file_flags::kDesktopShortcut | file_flags::kStartMenuShortcut |
                                      file_flags::kPermanent);
        entry.fromShortcutKind = record.kind == Kind(DestinationKind::kInstallDirShortcut);
        entry.target = path;
        entry.name = record.nameText;
        entry.icon = record.icon;
        entry.arguments = record.arguments;
        entry.workingFolder = record.parameter;
        state_.shortcuts.push_back(std::move(entry));
    }
    if (destination.explicitDestination || KindCreatesFolder(record.kind)) {
        const std::wstring folder = WithoutLastComponent(path);
        if (folder != folderKnownToExist_) {
            const FolderCreation made = services_.createFolder(folder);
            if (!made.ok) {
                const std::wstring reason =
                    made.fileInTheWay
                        ? std::wstring(L"Cannot create folder because there is a file with the same name.")
                        : SystemErrorText(made.errorCode);
                log_.WriteLogFormat(std::wstring_view(L"%s %s\r\n%s\r\n\r\nNot installed: %s\r\n\r\n"),
                                    {in_.messages.Text(kMessageFolderFailed), folder, reason, path});
                skip = true;
                return false;
            }
            if (!Permanent(record) && KindRecordsFolders(record.kind)) {
                for (const std::wstring& created : made.created)
                    services_.recordFolderRemoval(created);
            }
            folderKnownToExist_ = folder;
        }
    }
    if (!Permanent(record) && KindRecordsFile(record.kind, in_.folders.portable))
        services_.recordFileRemoval(path);
    return true;
}

int Extraction::HandOff(const FileRecord& record, const std::wstring& path, const FileWriteOutcome& outcome) {
    if (outcome.registeredForRestart)
        state_.restartNeeded = true;
    if (outcome.writtenNow && (in_.productFlagsLow & product_flags::kLogEachFile) != 0)
        log_.WriteLog(InstalledFileLine(record, path));
    const bool applet = record.kind == Kind(DestinationKind::kControlPanelApplet);
    if (!outcome.writtenNow && !(applet && outcome.registeredForRestart))
        return 0;

    const bool permanent = Permanent(record);
    switch (static_cast<DestinationKind>(record.kind)) {
        case DestinationKind::kShared:
            state_.sharedFiles.push_back({path, record.kind, permanent});
            break;
        case DestinationKind::kFont: {
            const FontEntry font{Utf8ToUtf16(record.nameText), FileNameOf(path)};
            if (services_.registerFont)
                services_.registerFont(font, path);
            state_.fontsChanged = true;
            if (!permanent)
                state_.productFonts.push_back(font);
            break;
        }
        case DestinationKind::kSystemPermanentShared:
            state_.sharedFiles.push_back({path, record.kind, true});
            break;
        case DestinationKind::kSystemCom:
            state_.comFiles.push_back({path, permanent, 0});
            state_.sharedFiles.push_back({path, record.kind, permanent});
            break;
        case DestinationKind::kSystemTypeLibrary: {
            const std::uint32_t parameter = record.flags >> file_flags::kTypeLibraryShift;
            state_.typeLibraries.push_back({path, permanent, parameter});
            state_.sharedFiles.push_back({path, record.kind, permanent});
            break;
        }
        case DestinationKind::kDriver:
            state_.drivers.push_back(path);
            break;
        case DestinationKind::kMsiPackage: {
            const MsiPackageEntry package{path, record.flags, in_.silent ? 2u : record.msiInterfaceLevel};
            state_.msiPackages.push_back(package);
            if (services_.installMsiPackage)
                services_.installMsiPackage(package);
            break;
        }
        case DestinationKind::kControlPanelApplet: {
            AppletEntry entry;
            entry.path = path;
            entry.name = record.nameText.empty() ? Utf8ToUtf16(record.name) : Utf8ToUtf16(record.nameText);
            entry.classId = DecodeText(record.parameter);
            entry.arguments = Windows1252ToUtf16(record.arguments);
            if (entry.name.empty())
                return payload_error::kAppletName;
            if (entry.classId.empty())
                return payload_error::kAppletClass;
            state_.applets.push_back(entry);
            if (services_.registerApplet)
                services_.registerApplet(entry);
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace

int ExtractFiles(const ExtractionInputs& inputs, const ExtractionServices& services, ExtractionState& state,
                 InstallLog& log) {
    return Extraction(inputs, services, state, log).Run();
}

}  // namespace vantrel
