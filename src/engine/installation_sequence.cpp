#include "engine/installation_sequence.h"

#include <algorithm>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "actions/fonts.h"
#include "context/batch_runner.h"
#include "context/finish_install_log.h"
#include "context/installer_variables.h"
#include "context/view_install_log.h"
#include "engine/corrupt_payload.h"
#include "engine/folder_checks.h"
#include "engine/installation_steps.h"
#include "engine/single_instance.h"
#include "engine/system_seams.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/version_compare.h"
#include "run/fatal_message.h"
#include "run/exit_routine.h"
#include "run/run_end.h"
#include "support/file_access.h"
#include "support/folder_tree.h"
#include "support/os_info.h"
#include "support/registry_key.h"
#include "support/registry_text.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "ui/progress_display.h"
#include "uninstall/running_programs.h"

namespace vantrel {
namespace {

using namespace product_flags;

// ProductFlags2: no Start-menu page for a portable installation.
constexpr std::uint32_t kPortableWithoutStartMenuPage = 0x800;

constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

[[noreturn]] void EndRun() {
    throw RunEnd{kExitInstall};
}

bool LowFlag(const InstallRun& run, std::uint32_t bit) {
    return (run.session.flags.low & bit) != 0;
}
bool HighFlag(const InstallRun& run, std::uint32_t bit) {
    return (run.session.flags.high & bit) != 0;
}
bool Flag2(const InstallRun& run, std::uint32_t bit) {
    return (run.payload.header.productFlags2 & bit) != 0;
}

int Ask(InstallRun& run, const std::wstring& text, const std::wstring& caption, unsigned style) {
    const auto marked = [&run](const std::wstring& message) {
        return WithProductMarkers(message, run.session.product.name, run.session.settings.displayProductName,
                                  OsName(CurrentOs()));
    };
    return run.session.ui.ShowMessageBox(marked(text), marked(caption), style | mb::kSetForeground);
}

// A requirement that failed: its message (always shown), then the end of the run.
[[noreturn]] void Refuse(InstallRun& run, const std::wstring& text) {
    Ask(run, text, run.title, mb::kOk | mb::kIconError);
    EndRun();
}

void Notify(InstallRun& run, const std::wstring& address) {
    if (address.empty() || !run.state.queueNotification)
        return;
    // The queue fills in the address's tokens.
    run.state.queueNotification(NotificationKind::kPlain, address);
}

// The progress display, and the time its status text last changed (for the status delay).
class Progress {
  public:
    explicit Progress(InstallRun& run) : run_(run) {}
    void Status(std::size_t message) { Status(run_.Message(message)); }
    void Status(const std::wstring& text) {
        if (run_.seams.progress.status)
            run_.seams.progress.status(text);
        statusSetAt_ = GetTickCount();
        PumpWindowMessages();
    }
    void Percent(int value) {
        if (run_.seams.progress.percent)
            run_.seams.progress.percent(value);
        PumpWindowMessages();
    }
    // Leaves the last status on screen for the product's status delay (never when nobody
    // watches).
    void Delay() const {
        const DWORD delay = run_.session.settings.statusDelay;
        if (run_.Automatic() || delay == 0)
            return;
        while (const std::uint32_t left = StatusDelayLeft(GetTickCount(), statusSetAt_, delay)) {
            PumpWindowMessages();
            Sleep(std::min<DWORD>(left, 50));
        }
    }

  private:
    InstallRun& run_;
    DWORD statusSetAt_ = GetTickCount();
};

std::wstring StripTrailingBackslash(std::wstring folder) {
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring Expanded(const InstallRun& run, std::wstring text) {
    ExpandVariables(run.session, text);
    return text;
}

std::wstring UninstallEntryValue(const InstallRun& run, const wchar_t* name) {
    const std::wstring key = kUninstallRoot + run.session.settings.uninstallKeyName;
    return ReadRegistryText(HKEY_LOCAL_MACHINE, key.c_str(), name);
}

// The requirements: language, title, bitness, Windows version, single instance, required product.
void CheckRequirements(InstallRun& run) {
    const Settings& settings = run.session.settings;
    if (settings.messages.LanguageCount() > 1 && !run.Automatic() && run.seams.pages.language &&
        !run.seams.pages.language()) {
        Notify(run, settings.cancelNotification);
        EndRun();
    }
    run.title = run.Message(114).empty() ? settings.installerTitle : run.Message(114);

    const bool windows64 = IsWindows64Bit();
    if ((settings.bitness == product_bitness::k64Bit && !windows64) ||
        (settings.bitness == product_bitness::k32Bit && windows64)) {
        if (run.Automatic())
            EndRun();
        Refuse(run,
               FormatText(run.Message(81), {settings.bitness == product_bitness::k64Bit ? L"64" : L"32"}));
    }
    if (settings.bitness == product_bitness::k64Bit && run.payload.redirectionSwitchFailed)
        Fatal(L"Wow64DisableWow64FsRedirection() failed");

    if (settings.excludedWindowsVersions & WindowsVersionBit(CurrentOs()))
        Refuse(run, FormatText(run.Message(61), {OsName(CurrentOs())}));

    if (LowFlag(run, kSingleInstance))
        AcquireSingleInstance(run.state);

    if (LowFlag(run, kRequiredProduct)) {
        const RequiredProduct& required = settings.requiredProduct;
        const std::wstring lookup =
            required.lookupName.empty() ? run.session.product.name : required.lookupName;
        // Without a name to show, the messages name the product looked up: this product's own
        // name would ask the user for the very product being installed.
        const std::wstring shown = required.displayName.empty() ? lookup : required.displayName;
        const std::wstring key = kUninstallRoot + lookup;
        const bool found = RegistryKey().Open(HKEY_LOCAL_MACHINE, key, registry_option::kOpenOnly,
                                              KEY_QUERY_VALUE) != RegistryOpen::kFailed;
        const std::wstring folder = ReadRegistryText(HKEY_LOCAL_MACHINE, key.c_str(), L"InstallLocation");
        const std::wstring version = ReadRegistryText(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayVersion");
        const bool master = settings.defaultInstallFolder == L"<master>";
        if (!found || (master && folder.empty()))
            Refuse(run, FormatText(run.Message(12), {shown}));
        if (!required.minimumVersion.empty() &&
            VersionCompare(Utf16ToUtf8(version), Utf16ToUtf8(required.minimumVersion)) < 0)
            Refuse(run, FormatText(run.Message(112), {required.minimumVersion, shown}));
        if (master)
            run.session.SetInstallDir(StripTrailingBackslash(folder));
    }
}

// The earlier installation named by the product's uninstall entry.
void FindExistingInstallation(InstallRun& run) {
    if (!LowFlag(run, kRegisterForUninstall))
        return;
    const Settings& settings = run.session.settings;
    std::wstring folder = UninstallEntryValue(run, L"InstallLocation");
    run.session.product.existingVersion = UninstallEntryValue(run, L"DisplayVersion");
    run.existingSharedFiles = UninstallEntryValue(run, L"SharedFiles");
    run.existingStartMenu = UninstallEntryValue(run, L"ProductStartMenu");
    const std::wstring valuePath = DecodeText(settings.installLocationValue);
    if (folder.empty() && !valuePath.empty())
        folder = ReadRegistryPathValue(valuePath);
    // The uninstaller reads registry records with the root between two backslashes.
    if (!valuePath.empty() && Flag2(run, product_flags2::kRecordInstallLocationValue))
        run.uninstallData.RecordRemoval(valuePath.front() == L'\\' ? valuePath : L"\\" + valuePath,
                                        RemovalKind::kRegistryValue);
    folder = StripTrailingBackslash(folder);
    run.existing = !folder.empty() && FolderExists(folder);
    if (run.existing)
        run.existingFolder = folder;
}

// The programs of the list are closed the way the uninstaller closes them: first the windows
// that are closed, quit or ended without asking; then, unless automatic, the user is asked to
// close each program that is only asked for, until it is gone or the user cancels.
void CloseApplications(InstallRun& run, const std::vector<AutoCloseRecord>& list) {
    CloseRunningPrograms(list);
    if (run.Automatic())
        return;
    const bool allClosed = WaitForProgramsToClose(list, [&run](const std::wstring& programName) {
        return Ask(run, FormatText(run.Message(107), {programName}), run.Message(55),
                   mb::kRetryCancel | mb::kIconWarning) == mb::kIdRetry;
    });
    if (!allClosed)
        CancelInstallation(run);
}

// The payload holds one licence (and one readme) per language, in language order; the user
// reads the one of the chosen language, then the product's extra text from the message table.
// A language without a text of its own gets the default language's, or else the first: a
// payload may carry one text for all its languages.
std::vector<std::wstring> TextsOfTheChosenLanguage(const InstallRun& run,
                                                   const std::vector<std::wstring>& perLanguage,
                                                   std::size_t extraMessage) {
    std::vector<std::wstring> texts;
    const MessageTable& messages = run.session.Messages();
    std::size_t language = messages.SelectedLanguage();
    if (language >= perLanguage.size())
        language = messages.DefaultLanguage() < perLanguage.size() ? messages.DefaultLanguage() : 0;
    if (language < perLanguage.size() && !perLanguage[language].empty())
        texts.push_back(perLanguage[language]);
    if (!run.Message(extraMessage).empty())
        texts.push_back(run.Message(extraMessage));
    return texts;
}

// The questions and pages before the folder, and the programs to close.
void AskBeforeInstalling(InstallRun& run) {
    const Settings& settings = run.session.settings;
    InstallPages& pages = run.seams.pages;
    if (!run.Automatic() && !settings.startSound.empty()) {
        if (run.seams.system.playStartSound)
            run.seams.system.playStartSound(settings.startSound);
        else
            PlayStartSound(settings.startSound);
    }
    if (!run.Automatic() && !HighFlag(run, kNoStartQuestion)) {
        const bool yes = pages.start ? pages.start()
                                     : Ask(run, run.Message(65), run.Message(1),
                                           mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
        if (!yes)
            CancelInstallation(run);
    }
    if (!settings.installPassword.empty() && pages.password && !pages.password())
        CancelInstallation(run);
    if (!run.Automatic()) {
        for (const std::wstring& text : TextsOfTheChosenLanguage(run, settings.licenceTexts, 63))
            if (pages.licence && !pages.licence(text))
                CancelInstallation(run);
        for (const std::wstring& text : TextsOfTheChosenLanguage(run, settings.readmeTexts, 64))
            if (pages.readme && !pages.readme(text))
                CancelInstallation(run);
    }
    if (!settings.autoClose.empty()) {
        if (run.seams.system.closeApplications)
            run.seams.system.closeApplications(settings.autoClose);
        else
            CloseApplications(run, settings.autoClose);
        if (run.seams.progress.backgroundToFront)
            run.seams.progress.backgroundToFront();
    }
}

// A default folder given as a registry value.
void TakeFolderFromRegistry(InstallRun& run) {
    const std::wstring& source = run.session.settings.defaultInstallFolder;
    if (!IsRegistryPath(source))
        return;
    std::wstring folder = ReadRegistryPathValue(source);
    if (folder.empty())
        Refuse(run, FormatText(L"Failed to obtain installation path from \"%s\"", {source}));
    folder = StripTrailingBackslash(Expanded(run, folder));
    if (!FolderExists(folder))
        Refuse(run, FormatText(L"Installation path \"%s\" obtained from \"%s\" does not exist.",
                               {folder, source}));
    run.session.SetInstallDir(folder);
    run.folderFromRegistry = true;
}

void ReportLaunchFailure(InstallRun& run, const wchar_t* what, const std::wstring& subject) {
    const DWORD error = GetLastError();
    if (!run.Automatic())
        Ask(run, what + subject + L"\r\n" + SystemErrorText(error), run.title, mb::kOk | mb::kIconError);
}

// An earlier installation that must be removed first hands the run over to its
// uninstaller, which starts this installer again when it is done.
[[noreturn]] void HandOverToUninstaller(InstallRun& run) {
    run.session.automatic = false;
    std::wstring command = UninstallEntryValue(run, L"QuietUninstallString");
    if (command.empty())
        command = UninstallEntryValue(run, L"UninstallString");
    if (command.empty())
        Refuse(run, run.Message(9));
    const bool agreed = run.seams.pages.mustUninstall ? run.seams.pages.mustUninstall()
                                                      : Ask(run, run.Message(9), run.Message(21),
                                                            mb::kOkCancel | mb::kIconQuestion) == mb::kIdOk;
    if (agreed) {
        const std::wstring handOver = HandOverCommand(command, GetCommandLineW());
        if (!StartCommand(handOver))
            ReportLaunchFailure(run, L"Failed to launch command: ", handOver);
    }
    EndRun();
}

// What to do about an earlier installation.
void ConsiderExistingInstallation(InstallRun& run) {
    const Settings& settings = run.session.settings;
    const std::wstring& oldVersion = run.session.product.existingVersion;
    const std::string oldUtf8 = Utf16ToUtf8(oldVersion);
    if (LowFlag(run, kMustUninstallFirst) &&
        (settings.mustUninstallVersion.empty() ||
         VersionCompare(oldUtf8, Utf16ToUtf8(settings.mustUninstallVersion)) < 0))
        HandOverToUninstaller(run);

    const std::wstring noDowngradeBelow = UninstallEntryValue(run, L"NoDowngradeBelow");
    if (!noDowngradeBelow.empty() &&
        VersionCompare(Utf16ToUtf8(run.session.product.version), Utf16ToUtf8(noDowngradeBelow)) < 0) {
        if (!run.Automatic())
            Ask(run, FormatText(run.Message(106), {noDowngradeBelow}), run.title, mb::kOk | mb::kIconError);
        EndRun();
    }

    if (HighFlag(run, kCompareVersions) && !oldVersion.empty() && !run.session.product.version.empty()) {
        const int compared = VersionCompare(oldUtf8, Utf16ToUtf8(run.session.product.version));
        run.relation = compared == 0  ? VersionRelation::kSame
                       : compared < 0 ? VersionRelation::kUpgrade
                                      : VersionRelation::kDowngrade;
    }

    if (!run.Automatic() && !LowFlag(run, kNoExistingInstallQuestion)) {
        const std::size_t message = run.relation == VersionRelation::kSame        ? 4
                                    : run.relation == VersionRelation::kUpgrade   ? 5
                                    : run.relation == VersionRelation::kDowngrade ? 6
                                                                                  : 3;
        const std::wstring text = FormatText(run.Message(message), {run.existingFolder, run.Message(7)});
        if (Ask(run, text, run.Message(2), mb::kYesNo | mb::kIconQuestion) != mb::kIdYes)
            CancelInstallation(run);
    }

    if (HighFlag(run, kVersionQuestion) && !oldVersion.empty() &&
        (settings.questionVersion.empty() || VersionCompare(oldUtf8, settings.questionVersion) < 0)) {
        if (Ask(run, run.Message(72), run.Message(20), mb::kYesNo | mb::kIconQuestion) != mb::kIdYes) {
            Notify(run, settings.cancelNotification);
            EndRun();
        }
    }
    run.session.SetInstallDir(run.existingFolder);
    run.tookExistingFolder = true;
}

// The installation folder and the Start-menu folder.
void ChooseFolders(InstallRun& run) {
    const Settings& settings = run.session.settings;
    if (!run.tookExistingFolder) {
        // Already set: the registry form of the default, or the required product's folder.
        std::wstring folder = run.session.folders.installDir;
        const std::wstring& chosenOnCommandLine = run.state.options.installFolderOverrideFull;
        if (run.folderFromRegistry) {
            // The registry form of the default is kept whatever else names a folder.
        } else if (!chosenOnCommandLine.empty()) {
            // The folder given on the command line wins over every other source.
            folder = chosenOnCommandLine;
        } else if (folder.empty()) {
            folder = DefaultInstallFolder(
                settings.defaultInstallFolder, run.session.product.name, WindowsFolder(),
                ProgramFilesFolder(run.session.Installs64Bit() ? FolderView::k64Bit : FolderView::k32Bit),
                [&run](std::wstring& text) { ExpandVariables(run.session, text); });
        }
        folder = StripTrailingBackslash(folder);
        if (!run.Automatic() && LowFlag(run, kShowFolderPage) && run.seams.pages.folder) {
            // The page runs the folder checks itself and stays until they accept a folder.
            if (!run.seams.pages.folder(folder))
                CancelInstallation(run);
            folder = StripTrailingBackslash(folder);
        } else if (const std::optional<std::wstring> refusal =
                       CheckInstallFolder(folder, FolderCheckContextOf(run))) {
            // Nobody chose this folder on the page, so there is no page to show again.
            if (refusal->empty())
                CancelInstallation(run);
            Refuse(run, *refusal);
        }
        run.session.SetInstallDir(folder);
    }
    if (!run.existing) {
        // A portable installation may leave the Start menu alone.
        const bool portableWithoutStartMenu = PortableFlagOf(run.session.folders.installDir) == L"1" &&
                                              Flag2(run, kPortableWithoutStartMenuPage);
        if (!run.Automatic() && HighFlag(run, kShowStartMenuPage) && !portableWithoutStartMenu &&
            run.seams.pages.startMenu) {
            std::wstring chosen = run.session.folders.startMenuFolderName;
            if (!run.seams.pages.startMenu(chosen))
                CancelInstallation(run);
            run.session.folders.startMenuFolderName = chosen;
        }
    } else if (!run.existingStartMenu.empty()) {
        run.session.folders.startMenuFolderName = run.existingStartMenu;
    }
}

void GrantRights(InstallRun& run, const std::wstring& folder) {
    InstallLog& log = run.Log();
    log.WriteLogPieces({std::wstring_view(L"Granting rights to directory \""), std::wstring_view(folder),
                        std::wstring_view(L"\"...")});
    if (GrantModifyAccess(folder)) {
        log.WriteLog("OK\r\n");
    } else {
        const DWORD error = GetLastError();
        log.WriteLogFormat(L"FAILED code %d: %s\r\n\r\n",
                           {static_cast<long long>(error), SystemErrorText(error)});
    }
}

void CreateLoggedFolder(InstallRun& run, const std::wstring& folder, const wchar_t* what) {
    if (CreateFolderTree(folder))
        return;
    const DWORD error = GetLastError();
    run.Log().WriteLogPieces({std::wstring_view(what), std::wstring_view(folder),
                              std::wstring_view(L"\"\r\n"), std::wstring_view(SystemErrorText(error)),
                              std::wstring_view(L"\r\n")});
}

std::wstring SharedFolderBase(const InstallRun& run) {
    switch (run.session.settings.sharedFolderLocation) {
        case 1:
            return AppDataAllFolder();
        case 2:
            return CommonFilesFolder(FolderView::k32Bit);
        case 3:
            return CommonFilesFolder(FolderView::k64Bit);
        default:
            return CommonFilesFolder(run.session.Installs64Bit() ? FolderView::k64Bit : FolderView::k32Bit);
    }
}

// Rights, the uninstall-data folder and %SharedDir%.
void PrepareFolders(InstallRun& run) {
    const Settings& settings = run.session.settings;
    InstallFolders& folders = run.session.folders;
    if (HighFlag(run, kGrantInstallDirAccess))
        GrantRights(run, folders.installDir);
    if (!settings.uninstallSubfolder.empty())
        CreateLoggedFolder(run, folders.uninstallDataDir, L"Failed to create uninstall data folder \"");
    if (!LowFlag(run, kRegisterForUninstall))
        return;
    const bool portable = PortableFlagOf(folders.installDir) == L"1";
    if (portable && !settings.portableSharedFolder.empty())
        folders.sharedDir = PathJoin(folders.installDir, settings.portableSharedFolder);
    else if (!settings.sharedFolderName.empty())
        folders.sharedDir = PathJoin(SharedFolderBase(run), settings.sharedFolderName);
    if (folders.sharedDir.empty())
        return;
    CreateLoggedFolder(run, folders.sharedDir, L"Failed to create shared folder \"");
    if (HighFlag(run, kGrantSharedDirAccess) && HighFlag(run, kGrantInstallDirAccess))
        GrantRights(run, folders.sharedDir);
}

// A payload batch with the command line's additions behind it.
std::string WithAddition(const std::string& batch, const std::string& addition) {
    std::string text = batch;
    if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0))
        text += "\r\n";
    return text + addition;
}

void RunPayloadBatch(InstallRun& run, const std::string& commands, bool hidden, bool titled,
                     const char* title) {
    RunBatch(run.session, run.Log(),
             {commands, hidden, titled ? std::string_view(title) : std::string_view()});
}

// The batches that run before the files are installed.
void RunBatchesBeforeExtraction(InstallRun& run) {
    const Settings& settings = run.session.settings;
    const auto& additions = run.state.options.batchAdditions;
    if (PortableFlagOf(run.session.folders.installDir) == L"1" && HighFlag(run, kNoPortableUninstaller))
        run.session.flags.low &= ~kRegisterForUninstall;
    RunPayloadBatch(run, WithAddition(settings.preInstallBatch, additions[0]), LowFlag(run, kPreBatchOption),
                    Flag2(run, product_flags2::kPreBatchTitled), "Pre-Installation Batch");
    if (run.relation == VersionRelation::kUpgrade)
        RunPayloadBatch(run, settings.upgradeBatch, HighFlag(run, kUpgradeBatchOption),
                        Flag2(run, product_flags2::kUpgradeBatchTitled), "Upgrade Batch");
    if (run.existing &&
        (run.relation == VersionRelation::kSame || !Flag2(run, product_flags2::kReinstallBatchRestricted)))
        RunPayloadBatch(run, settings.reinstallBatch, HighFlag(run, kReinstallBatchOption),
                        Flag2(run, product_flags2::kReinstallBatchTitled), "Reinstall Batch");
}

void Call(InstallRun& run, const std::function<void(InstallRun&)>& step) {
    if (step)
        step(run);
    PumpWindowMessages();
}

// The actions after extraction, in their order.
void RunActions(InstallRun& run, Progress& progress) {
    ActionSeams& actions = run.seams.actions;
    progress.Percent(91);
    if (run.extraction.fontsChanged)
        BroadcastFontChange();
    progress.Percent(92);
    Call(run, actions.sharedFiles);
    progress.Percent(93);
    Call(run, actions.components);
    progress.Status(26);
    progress.Percent(95);
    Call(run, actions.shortcuts);
    progress.Percent(97);
    Call(run, actions.registry);
    Call(run, actions.associations);
    Call(run, actions.firewall);
    progress.Percent(98);
    // The registration reports 99 itself, between the text copies and the uninstaller.
    Call(run, actions.registration);
}

void WriteUninstallData(InstallRun& run) {
    if (!LowFlag(run, kRegisterForUninstall))
        return;
    const std::wstring path = PathJoin(run.session.folders.uninstallDataDir, L"Uninstall.DAT");
    run.uninstallData.SetStrings(run.session.Messages(), run.session.product.name,
                                 [&run](std::wstring& text) { ExpandVariables(run.session, text); });
    // The uninstaller closes the same programs before it removes their files, and carries out
    // the conditional deletions meant for it (the writer keeps only those).
    run.uninstallData.Content().autoClose = run.session.settings.autoClose;
    run.uninstallData.Content().deletions = run.session.settings.conditionalDeletions;
    if (!run.uninstallData.Write(path, run.Failures(), run.session.Messages()))
        run.Log().WriteLogPieces({std::wstring_view(L"Failed to write uninstall data \""),
                                  std::wstring_view(path), std::wstring_view(L"\"\r\n")});
}

void SendCompletionNotification(InstallRun& run) {
    const Settings& settings = run.session.settings;
    const std::wstring& address = run.relation == VersionRelation::kUpgrade ? settings.upgradeNotification
                                  : run.relation == VersionRelation::kDowngrade
                                      ? settings.downgradeNotification
                                  : run.existing ? settings.reinstallNotification
                                                 : settings.completionNotification;
    Notify(run, address);
}

void RefreshShortcutFolders(const InstallRun& run) {
    const bool allUsers = run.session.AllUsers();
    for (const std::wstring& folder : {allUsers ? SMProgramsAllFolder() : SMProgramsFolder(),
                                       allUsers ? DesktopAllFolder() : DesktopFolder()}) {
        if (!folder.empty())
            SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
    }
}

bool ShellOpen(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL));
    return result > 32;
}

// The end without a reboot: the /r: command, then the finish options.
void LaunchAtTheEnd(InstallRun& run, bool noFailures) {
    const Settings& settings = run.session.settings;
    const std::wstring& installDir = run.session.folders.installDir;
    const std::wstring& relaunch = run.state.options.launchOnExit;
    if (!relaunch.empty() && noFailures && !StartCommand(relaunch))
        ReportLaunchFailure(run, L"Failed to launch command: ", relaunch);
    if (run.finish.openItem && !settings.openItem.empty()) {
        std::wstring item = Expanded(run, settings.openItem);
        if (item.size() < 2 || item[1] != L':')
            item = PathJoin(installDir, item);
        ShellOpen(item, {}, installDir);
    }
    if (run.finish.launchApplication && !settings.launchApplication.empty()) {
        std::wstring program;
        std::wstring arguments;
        SplitCommand(Expanded(run, settings.launchApplication), program, arguments);
        const bool direct = Flag2(run, product_flags2::kLaunchDirectly);
        if ((direct || !ShellOpen(program, arguments, installDir)) &&
            !StartCommand(L"\"" + program + L"\" " + arguments, installDir))
            ReportLaunchFailure(run, L"Failed to launch app: ", program);
    }
    if (run.finish.viewLog) {
        const std::wstring log = run.session.InstallLogPath();
        if (run.session.logging.seams.viewLog)
            run.session.logging.seams.viewLog(log);
        else
            ViewInstallLog(log);
    }
    if (run.finish.openSecondItem && !settings.openItem2.empty())
        ShellOpen(Expanded(run, settings.openItem2), {}, installDir);
}

void SwitchRedirectionBackOn(const InstallRun& run) {
    if (!run.payload.redirectionSwitchedOff)
        return;
    using Enable = BOOLEAN(WINAPI*)(BOOLEAN);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto enable = kernel ? reinterpret_cast<Enable>(reinterpret_cast<void*>(
                                     GetProcAddress(kernel, "Wow64EnableWow64FsRedirection")))
                               : nullptr;
    if (enable)
        enable(TRUE);
}

}  // namespace

[[noreturn]] void CancelInstallation(InstallRun& run) {
    Notify(run, run.session.settings.cancelNotification);
    if (!run.Automatic())
        Ask(run, run.Message(98), run.Message(111), mb::kOk | mb::kIconWarning);
    EndRun();
}

[[noreturn]] void RunInstallationSequence(InstallRun& run) {
    const Settings& settings = run.session.settings;
    InstallSeams& seams = run.seams;
    CheckRequirements(run);
    FindExistingInstallation(run);
    AskBeforeInstalling(run);
    TakeFolderFromRegistry(run);
    if (!run.folderFromRegistry && run.existing)
        ConsiderExistingInstallation(run);
    ChooseFolders(run);

    Progress progress(run);
    if (HighFlag(run, kShowProgressDialog) && !run.session.silent && seams.progress.createDialog)
        seams.progress.createDialog();
    Notify(run, settings.beginNotification);
    run.Log().Begin();

    if (Flag2(run, product_flags2::kRestorePoint)) {
        progress.Status(97);
        run.Log().WriteLog("Creating restore point...");
        std::wstring error;
        const std::wstring description = run.session.product.name + L" " + run.session.product.version;
        const bool created = seams.system.createRestorePoint
                                 ? seams.system.createRestorePoint(description, error)
                                 : CreateSystemRestorePoint(description, run.restorePointSequence, error);
        if (created) {
            run.Log().WriteLog("OK\r\n");
            run.restorePointOpen = true;
        } else {
            run.Log().WriteLogPieces(
                {std::wstring_view(L"FAILED\r\n"), std::wstring_view(error), std::wstring_view(L"\r\n")});
        }
    }
    progress.Status(113);
    progress.Percent(1);
    PrepareFolders(run);
    RunBatchesBeforeExtraction(run);

    progress.Status(8);
    progress.Percent(2);
    progress.Status(62);
    progress.Percent(21);
    PlaceDataArea(run.state, run.payload);
    progress.Status(54);
    progress.Percent(26);
    Call(run, seams.actions.deletionPhase);
    progress.Percent(27);

    progress.Percent(28);
    if (seams.actions.extractFiles) {
        if (const int error = seams.actions.extractFiles(run, run.extraction); error != 0)
            CorruptPayloadError(run.state, error);
    }
    if (run.extraction.restartNeeded)
        run.session.flags.low |= kRebootNeeded;
    progress.Percent(90);

    RunActions(run, progress);

    if (HighFlag(run, kCreateRebootMarker)) {
        const std::wstring marker = PathJoin(run.session.folders.installDir, L"reboot.dat");
        HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    progress.Delay();
    progress.Status(36);
    progress.Percent(100);

    WriteUninstallData(run);
    RunPayloadBatch(run, WithAddition(settings.postInstallBatch, run.state.options.batchAdditions[1]),
                    LowFlag(run, kPostBatchOption), Flag2(run, product_flags2::kPostBatchTitled),
                    "Post-Installation Batch");
    SendCompletionNotification(run);
    RefreshShortcutFolders(run);
    if (run.restorePointOpen) {
        const bool committed = seams.system.commitRestorePoint
                                   ? seams.system.commitRestorePoint()
                                   : CommitSystemRestorePoint(run.restorePointSequence);
        if (!committed)
            run.Log().WriteLog("Failed to commit restore point.\r\n");
    }
    progress.Delay();
    if (seams.progress.closeDialog)
        seams.progress.closeDialog();
    if (!run.state.options.launchOnExit.empty())
        run.Log().WriteLogFormat(L"Launch on exit: %s\r\n", {run.state.options.launchOnExit});

    const bool noFailures = run.Failures().Empty();
    run.session.logging.seams.showSummaryPage = [&run] {
        if (run.seams.pages.finish)
            run.seams.pages.finish(run.finish);
    };
    FinishInstallLog(run.session, run.Failures().Text(), run.relation == VersionRelation::kSame, true);

    bool reboot = false;
    if (run.RebootNeeded()) {
        if (!run.Automatic() || HighFlag(run, kRebootQuestionWhenAutomatic))
            reboot = Ask(run, run.Message(37), run.Message(20), mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
        else
            reboot = true;
    }
    RunPayloadBatch(run, WithAddition(settings.exitBatch, run.state.options.batchAdditions[2]),
                    LowFlag(run, kExitBatchOption), false, "");
    for (const std::wstring& folder : {run.session.folders.sharedDir, run.session.folders.uninstallDataDir,
                                       run.session.folders.installDir}) {
        if (!folder.empty())
            RemoveDirectoryW(folder.c_str());
    }
    SwitchRedirectionBackOn(run);

    if (reboot) {
        if (seams.system.restartWindows)
            seams.system.restartWindows();
        else
            RestartWindows();
    } else {
        LaunchAtTheEnd(run, noFailures);
    }
    EndRun();
}

}  // namespace vantrel
