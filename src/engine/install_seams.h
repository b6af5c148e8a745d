#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/settings.h"

namespace vantrel {

class InstallRun;
struct AppletEntry;
struct FontEntry;
struct MsiPackageEntry;

// The four choices of the wizard's last page; all off until the page sets them.
struct FinishOptions {
    bool launchApplication = false;
    bool openItem = false;
    bool viewLog = false;
    bool openSecondItem = false;
};

// The wizard pages. Each returns false when the user cancelled it. An empty member takes the
// page's default answer (the language stays, the folder stays, nothing is shown), except
// the two pages that ask a plain question: those ask it in a message box.
struct InstallPages {
    std::function<bool()> language;
    std::function<bool()> start;  // empty: message 65 as a yes/no question
    std::function<bool()> password;
    std::function<bool(const std::wstring& text)> licence;
    std::function<bool(const std::wstring& text)> readme;
    // The request to remove the earlier installation first; true when the user agrees.
    std::function<bool()> mustUninstall;  // empty: message 9 as an OK/Cancel question
    // Shown until a valid folder is chosen; `folder` holds the proposal and the choice. The
    // page runs CheckInstallFolder (engine/folder_checks.h) on Next and is shown again while
    // it refuses. Empty: the proposal is checked without a page.
    std::function<bool(std::wstring& folder)> folder;
    std::function<bool(std::wstring& startMenuFolder)> startMenu;
    std::function<void(FinishOptions& options)> finish;
};

// The background window and the progress dialog. Empty members do nothing.
struct ProgressSeams {
    std::function<void()> createDialog;
    std::function<void()> closeDialog;
    std::function<void(const std::wstring& status)> status;
    std::function<void(int percent)> percent;
    std::function<void()> backgroundToFront;
};

// What reaches beyond this process: the system restore point, the restart, the start sound
// and the programs to close. Empty members use the system (srclient and winmm from the
// system folder, ExitWindowsEx, the top-level windows); tests observe them.
struct SystemSeams {
    // Opens a restore point described by `description`; false with `error` filled on failure.
    std::function<bool(const std::wstring& description, std::wstring& error)> createRestorePoint;
    std::function<bool()> commitRestorePoint;
    std::function<void()> restartWindows;
    std::function<void(const Bytes& wave)> playStartSound;
    // Empty: the listed programs are closed as the uninstaller closes them.
    std::function<void(const std::vector<AutoCloseRecord>& list)> closeApplications;
};

// What the file extraction left for the later steps.
struct ExtractionOutcome {
    bool fontsChanged = false;
    bool restartNeeded = false;
};

// The steps that belong to other parts of the installer, in the order the sequence calls
// them. Each gets the whole run; an empty member leaves its step out.
struct ActionSeams {
    // Installs the payload's files; returns a payload error code (0 when it went through).
    std::function<int(InstallRun& run, ExtractionOutcome& outcome)> extractFiles;
    // Called by the extraction as soon as such a file is written; empty: it is only listed.
    std::function<void(InstallRun& run, const FontEntry& font, const std::wstring& path)> fontWritten;
    std::function<void(InstallRun& run, const MsiPackageEntry& package)> msiPackageWritten;
    std::function<void(InstallRun& run, const AppletEntry& applet)> appletWritten;
    std::function<void(InstallRun& run)> deletionPhase;
    std::function<void(InstallRun& run)> sharedFiles;
    std::function<void(InstallRun& run)> components;  // COM servers, type libraries, drivers
    std::function<void(InstallRun& run)> shortcuts;
    std::function<void(InstallRun& run)> registry;
    std::function<void(InstallRun& run)> associations;
    std::function<void(InstallRun& run)> firewall;
    // Readme and licence copies, the uninstaller and the uninstall entry of the product.
    std::function<void(InstallRun& run)> registration;
};

struct InstallSeams {
    InstallPages pages;
    ProgressSeams progress;
    SystemSeams system;
    ActionSeams actions;
};

}  // namespace vantrel
