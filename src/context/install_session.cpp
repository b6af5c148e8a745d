#include "context/install_session.h"

#include "format/path_join.h"

namespace vantrel {

void InstallFolders::SetInstallDir(const std::wstring& folder, const std::wstring& uninstallSubfolder) {
    installDir = folder;
    uninstallDataDir = PathJoin(folder, uninstallSubfolder);
}

InstallSession::InstallSession(const Settings& payloadSettings, const CommandLineOptions& options,
                               UserInterface& runUi)
    : settings(payloadSettings),
      ui(runUi),
      automatic(options.automatic || options.silent),
      silent(options.silent),
      product{options.productNameOverride.empty() ? payloadSettings.productName : options.productNameOverride,
              payloadSettings.companyName,
              payloadSettings.productVersion,
              {}},
      flags{payloadSettings.productFlagsLow, payloadSettings.productFlagsHigh} {
    folders.startMenuFolderName = payloadSettings.startMenuFolder;
}

std::wstring InstallSession::InstallLogPath() const {
    return PathJoin(PathJoin(folders.installDir, settings.uninstallSubfolder), L"Install.log");
}

}  // namespace vantrel
