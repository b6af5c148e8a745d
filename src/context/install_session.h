#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "run/run_state.h"
#include "format/settings.h"

namespace vantrel {

// What the end of an installation hands to parts that arrive later (the notification
// sender, the summary page) and the way the log is shown to the user. Tests replace them.
struct InstallLogSeams {
    // Queues an error notification to the given address (not called for an empty address).
    std::function<void(const std::wstring& address)> sendErrorNotification;
    // Shows the summary page of the wizard.
    std::function<void()> showSummaryPage;
    // Opens Install.log for the user; ViewInstallLog when empty.
    std::function<void(const std::wstring& logPath)> viewLog;
};

// The state of one installation (or uninstallation) run that the installer variables, the
// log and the actions read: folders, product values, the existing version, the log and the
// failures. It refers to the run state (command line, user interface) and to the settings
// read from the payload, which it never changes; the few option bits that change during a
// run are kept here as the running copy of ProductFlags.
class InstallSession {
  public:
    InstallSession(RunState& run, const Settings& settings);
    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    RunState& run;
    const Settings& settings;

    // Product values: the name (the /n: override wins over the payload), company, version.
    std::wstring productName;
    std::wstring companyName;
    std::wstring productVersion;

    // Folders; empty until chosen.
    std::wstring installDir;
    std::wstring uninstallDataDir;  // installDir joined with the uninstall subfolder
    std::wstring sharedDir;
    std::wstring desktopShortcutDir;
    std::wstring startMenuFolderName;  // the product name stands in while empty

    // DisplayVersion of an earlier installation of the product; empty when there is none.
    std::wstring existingVersion;

    // The running copy of ProductFlags (low word, high word).
    std::uint32_t productFlagsLow = 0;
    std::uint32_t productFlagsHigh = 0;

    InstallLog log;
    FailureList failures;
    InstallLogSeams seams;

    // Sets the installation folder and the uninstall-data folder that depends on it.
    void SetInstallDir(const std::wstring& folder);
    // Install.log in the uninstall-data folder.
    std::wstring InstallLogPath() const;

    bool Automatic() const { return run.options.automatic || run.options.silent; }
    bool AllUsers() const { return settings.shortcutMode == 1; }
    bool Installs64Bit() const { return settings.bitness == 1; }
    const MessageTable& Messages() const { return settings.messages; }
    UserInterface& Ui() const;
};

}  // namespace vantrel
