#pragma once

#include <cstdint>
#include <string>

#include "context/install_session.h"
#include "engine/extraction/extraction_state.h"
#include "engine/install_seams.h"
#include "engine/payload.h"
#include "run/run_state.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {

// How the version being installed relates to an earlier installation.
enum class VersionRelation { kNone, kSame, kUpgrade, kDowngrade };

// What the installation sequence keeps while it runs, handed to the steps it calls.
class InstallRun {
  public:
    InstallRun(RunState& runState, Payload& runPayload, InstallSeams& runSeams);
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    RunState& state;
    Payload& payload;
    InstallSeams& seams;
    InstallSession session;
    UninstallData uninstallData;

    std::wstring title;  // the installer title (message 114 when not empty)
    bool existing = false;
    std::wstring existingFolder;
    std::wstring existingSharedFiles;  // SharedFiles of the uninstall entry
    std::wstring existingStartMenu;    // ProductStartMenu of the uninstall entry
    VersionRelation relation = VersionRelation::kNone;
    bool tookExistingFolder = false;  // the earlier installation's folder is used
    bool folderFromRegistry = false;  // the folder came from the default's registry form
    bool restorePointOpen = false;
    std::int64_t restorePointSequence = 0;
    FinishOptions finish;
    ExtractionOutcome extraction;
    // The files the extraction installed that later steps act on (shortcuts, shared files,
    // components, fonts).
    ExtractionState extracted;

    const vantrel::Settings& Config() const { return payload.settings; }
    std::uint32_t Flags2() const { return payload.header.productFlags2; }
    bool Automatic() const { return session.automatic; }
    InstallLog& Log() { return session.logging.log; }
    FailureList& Failures() { return session.logging.failures; }
    const std::wstring& Message(std::size_t number) const { return session.Messages().Text(number); }
    bool RebootNeeded() const { return (session.flags.low & product_flags::kRebootNeeded) != 0; }
};

}  // namespace vantrel
