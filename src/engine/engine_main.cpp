#include "engine/engine_main.h"

#include "engine/installer_crash_report.h"
#include "engine/installer_run.h"
#include "engine/uninstall_actions.h"
#include "engine/window_seams.h"
#include "engine/wizard_seams.h"
#include "format/path_join.h"
#include "run/exit_routine.h"
#include "run/fatal_message.h"
#include "run/run_end.h"
#include "support/crash_filter.h"
#include "support/dll_search.h"
#include "support/ole_session.h"
#include "support/system_info.h"
#include "ui/user_interface.h"
#include "uninstall/folder_guard.h"
#include "uninstall/self_delete_batch.h"
#include "uninstall/uninstaller.h"

namespace vantrel {
namespace {

int RunUninstall(RunState& run) {
    const std::wstring& name = run.options.uninstallProductName;
    if (name.empty())
        Fatal(UsageText(L"Product name required", FileNameOf(ModuleFilePath())));
    // The steps that other subsystems carry out, then the windows.
    UninstallSeams seams = UninstallActionSeams(run);
    const auto windows = AddUninstallWindows(run, seams);
    seams.offerSupport = SupportOfferPage;
    const UninstallOutcome outcome = RunUninstaller(run, name, seams);
    if (outcome.succeeded) {
        if (seams.notifyUninstalled && !outcome.notifyUrl.empty())
            seams.notifyUninstalled(outcome.notifyUrl, outcome.displayName, outcome.displayVersion,
                                    outcome.session);
        // The batch deletes the running program: only an uninstaller in the product's own
        // uninstall folder may go, never a setup.exe started with /u from elsewhere.
        const std::wstring self = ModuleFilePath();
        const std::wstring uninstallFolder = PathJoin(outcome.installDir, outcome.uninstallSubdir);
        if (ComparablePath(FolderOf(self)) == ComparablePath(uninstallFolder))
            StartSelfDeletionBatch(self, outcome.installDir, outcome.uninstallSubdir);
    }
    return kExitUninstall;
}

int RunFromCommandLine(RunState& run) {
    CommandLineServices services{[](std::wstring_view text) { return ToSystemCodePage(std::wstring(text)); },
                                 FullPathOf};
    CommandLineResult parsed = ParseCommandLine(GetCommandLineW(), services);
    run.options = std::move(parsed.options);
    SetCrashReportSilent(run.options.silent);
    if (run.options.silent)
        run.ui = std::make_unique<SilentUserInterface>();
    if (parsed.error)
        Fatal(UsageText(parsed.error->message, FileNameOf(ModuleFilePath())));
    return run.options.uninstallRequested ? RunUninstall(run) : RunInstallation(run);
}

}  // namespace

int EngineMain(HINSTANCE instance) {
    // Before anything can load a library.
    RestrictDllSearchToSystemFolder();
    InstallCrashFilter();
    RegisterInstallerCrashReporter(instance);
    const OleSession ole;
    EnablePrivilege(L"SeTakeOwnershipPrivilege");
    RunState run;
    FatalMessageRoutine fatal(run);
    fatal.Register();
    run.instance = instance;
    run.runStamp = TakeRunStamp();
    // Until the command line says otherwise, messages are shown.
    run.ui = std::make_unique<WindowsUserInterface>();
    return RunToEnd(run, [&run] { return RunFromCommandLine(run); });
}

}  // namespace vantrel
