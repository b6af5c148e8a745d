#include "engine/file_installation.h"

#include <windows.h>

#include "context/installer_variables.h"
#include "engine/extraction/extraction.h"
#include "format/path_join.h"
#include "run/exit_routine.h"
#include "support/shell_folders.h"
#include "uninstall/file_writer.h"

namespace vantrel {
namespace {

// The extraction's view of one file being written, carried out by the file writer.
class WriterStream final : public ExtractedFileWrite {
  public:
    WriterStream(FileWriteContext& context, const ExtractedFileRequest& request)
        : write_(context, request.path, WriterRequest(request)) {}

    bool Begin() { return write_.Begin() != StreamingFileWrite::Destination::kNone; }
    bool Write(std::span<const std::uint8_t> piece) override {
        return write_.Write(piece.data(), piece.size());
    }
    FileWriteOutcome Finish() override {
        FileWriteOutcome outcome;
        outcome.writtenNow = write_.Finish();
        outcome.registeredForRestart = write_.RegisteredForReplacement();
        return outcome;
    }

  private:
    static FileWriteRequest WriterRequest(const ExtractedFileRequest& request) {
        FileWriteRequest result;
        result.times = DecodeFileTime(request.time);
        result.attributes = request.attributes;
        result.mayReplaceAtRestart = request.restartReplacementAllowed;
        return result;
    }

    StreamingFileWrite write_;
};

unsigned DecodeThreads() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    // One decoder beside the writing thread is enough to keep the disk busy.
    return info.dwNumberOfProcessors > 1 ? 1 : 0;
}

}  // namespace

int InstallPayloadFiles(InstallRun& run, ExtractionOutcome& outcome) {
    InstallSession& session = run.session;
    const Settings& settings = session.settings;
    DestinationFolders folders;
    folders.installDir = session.folders.installDir;
    folders.sharedDir = session.folders.sharedDir;
    folders.fontDir = FontFolder();
    folders.systemDir = SystemFolder();
    folders.uninstallDataDir = session.folders.uninstallDataDir;
    folders.portable = PortableFlagOf(session.folders.installDir) == L"1";
    folders.portableSharedDir = settings.portableSharedFolder;

    const ExpandText expand = [&session](std::wstring_view text) {
        std::wstring expanded(text);
        ExpandVariables(session, expanded);
        return expanded;
    };
    ExtractionInputs inputs{
        run.payload.header,
        *run.payload.dataArea,
        BlockDecoding{(session.flags.low & product_flags::kCompressedBlocks) != 0, run.payload.cipher.get()},
        folders,
        session.Messages(),
        session.flags.low,
        session.flags.high,
        session.silent,
        expand,
        DecodeThreads()};

    FileWriteContext context{run.Log(), run.Failures(), session.Messages(), session.flags.low};
    ExtractionServices services;
    services.beginWrite =
        [&context](const ExtractedFileRequest& request) -> std::unique_ptr<ExtractedFileWrite> {
        auto stream = std::make_unique<WriterStream>(context, request);
        if (!stream->Begin())
            return nullptr;
        return stream;
    };
    services.recordFileRemoval = [&run](const std::wstring& path) {
        run.uninstallData.RecordRemoval(path, RemovalKind::kFile);
    };
    services.recordFolderRemoval = [&run](const std::wstring& folder) {
        run.uninstallData.RecordRemoval(folder, RemovalKind::kFolder);
    };
    services.createFolder = CreateFolderWithParents;
    services.probeExisting = ProbeExistingFile;
    services.normalisePath = FullPath;
    services.showStatus = [&run](const std::wstring& status) {
        if (run.seams.progress.status)
            run.seams.progress.status(status);
    };
    services.showProgress = [&run](int percent) {
        if (run.seams.progress.percent)
            run.seams.progress.percent(percent);
    };
    services.pumpMessages = PumpWindowMessages;
    const ActionSeams& actions = run.seams.actions;
    if (actions.fontWritten)
        services.registerFont = [&run](const FontEntry& font, const std::wstring& path) {
            run.seams.actions.fontWritten(run, font, path);
        };
    if (actions.msiPackageWritten)
        services.installMsiPackage = [&run](const MsiPackageEntry& package) {
            run.seams.actions.msiPackageWritten(run, package);
        };
    if (actions.appletWritten)
        services.registerApplet = [&run](const AppletEntry& applet) {
            run.seams.actions.appletWritten(run, applet);
        };

    const int error = ExtractFiles(inputs, services, run.extracted, run.Log());
    outcome.fontsChanged = run.extracted.fontsChanged;
    outcome.restartNeeded = run.extracted.restartNeeded;
    return error;
}

}  // namespace vantrel
