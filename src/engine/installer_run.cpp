#include "engine/installer_run.h"

#include "engine/file_installation.h"
#include "engine/install_actions.h"
#include "engine/install_run.h"
#include "engine/install_run_services.h"
#include "engine/installation_sequence.h"
#include "engine/payload.h"
#include "engine/window_seams.h"
#include "engine/wizard_seams.h"
#include "run/run_end.h"

namespace vantrel {

int RunInstallation(RunState& run) {
    const auto payload = std::make_unique<Payload>();
    // The message table lives in the payload: once the payload is gone (also when reading it
    // failed half-way), fatal messages take the built-in texts again.
    struct ForgetMessages {
        RunState& run;
        ~ForgetMessages() { run.messages = nullptr; }
    } forget{run};
    InstallRunServices services(run, *payload);
    ReadPayload(run, *payload);
    // The pages and the progress display plug in here; each seam left empty takes its
    // default.
    InstallSeams seams;
    seams.actions.extractFiles = InstallPayloadFiles;
    FillInstallActions(seams.actions);
    // The progress page needs the run, which comes later: the windows open it through this.
    ProgressPageFactory progressPage;
    const auto windows =
        AddInstallerWindows(run, *payload, seams.progress, [&progressPage](HWND owner, CallbackGuard& guard) {
            return progressPage ? progressPage(owner, guard) : ProgressPageControls{};
        });
    const auto install = std::make_unique<InstallRun>(run, *payload, seams);
    ChooseDesktopShortcutFolder(install->session);
    const InstallRunServices::Attachment attached = services.Attach(*install);
    FillWizardPages(*install);
    FillProgressPage(*install, progressPage);
    RunInstallationSequence(*install);
}

}  // namespace vantrel
