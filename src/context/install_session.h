#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/settings.h"
#include "run/command_line.h"
#include "run/user_interface_seam.h"

namespace vantrel {

// The product's values for this run: the name (the /n: override wins over the payload),
// company and version, and the DisplayVersion of an earlier installation (empty when there
// is none).
struct ProductValues {
    std::wstring name;
    std::wstring company;
    std::wstring version;
    std::wstring existingVersion;
};

// The folders of the installation; empty until chosen.
struct InstallFolders {
    std::wstring installDir;
    std::wstring uninstallDataDir;  // installDir joined with the uninstall subfolder
    std::wstring sharedDir;
    std::wstring desktopShortcutDir;
    std::wstring startMenuFolderName;  // the product name stands in while empty

    // Sets the installation folder and the uninstall-data folder that depends on it.
    void SetInstallDir(const std::wstring& folder, const std::wstring& uninstallSubfolder);
};

// The running copy of ProductFlags (low word, high word): the few option bits that change
// during a run. The settings themselves are never changed.
struct RunningProductFlags {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

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

// The log of the run and the failures it collects.
struct InstallLogState {
    InstallLog log;
    FailureList failures;
    InstallLogSeams seams;
};

// The state of one installation (or uninstallation) run, one small part per subsystem. It
// refers to the settings read from the payload, which it never changes, and to the run's
// user interface; everything else it owns. Code that needs only a part is handed that part.
class InstallSession {
  public:
    InstallSession(const Settings& settings, const CommandLineOptions& options, UserInterface& ui);
    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    const Settings& settings;
    UserInterface& ui;
    // /a or /silent (or the product's automatic mode): no questions.
    bool automatic = false;
    // /silent: nothing is shown at all (batches run hidden).
    bool silent = false;

    ProductValues product;
    InstallFolders folders;
    RunningProductFlags flags;
    InstallLogState logging;

    void SetInstallDir(const std::wstring& folder) {
        folders.SetInstallDir(folder, settings.uninstallSubfolder);
    }
    // Install.log in the uninstall-data folder.
    std::wstring InstallLogPath() const;

    bool AllUsers() const { return settings.shortcutMode == shortcut_mode::kAllUsers; }
    bool Installs64Bit() const { return settings.bitness == product_bitness::k64Bit; }
    const MessageTable& Messages() const { return settings.messages; }
};

}  // namespace vantrel
