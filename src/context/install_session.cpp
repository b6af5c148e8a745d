#include "context/install_session.h"

#include "format/path_join.h"

namespace vantrel {

InstallSession::InstallSession(RunState& runState, const Settings& payloadSettings)
    : run(runState),
      settings(payloadSettings),
      productName(runState.options.productNameOverride.empty() ? payloadSettings.productName
                                                               : runState.options.productNameOverride),
      companyName(payloadSettings.companyName),
      productVersion(payloadSettings.productVersion),
      startMenuFolderName(payloadSettings.startMenuFolder),
      productFlagsLow(payloadSettings.productFlagsLow),
      productFlagsHigh(payloadSettings.productFlagsHigh) {}

void InstallSession::SetInstallDir(const std::wstring& folder) {
    installDir = folder;
    uninstallDataDir = PathJoin(folder, settings.uninstallSubfolder);
}

std::wstring InstallSession::InstallLogPath() const {
    return PathJoin(PathJoin(installDir, settings.uninstallSubfolder), L"Install.log");
}

UserInterface& InstallSession::Ui() const {
    if (!run.ui)
        run.ui = std::make_unique<SilentUserInterface>();
    return *run.ui;
}

}  // namespace vantrel
