#include "engine/engine_main.h"

#include <ole2.h>

#include "engine/exit_routine.h"
#include "engine/fatal_message.h"
#include "engine/installer_run.h"
#include "engine/out_of_memory.h"
#include "engine/run_end.h"
#include "support/crash_filter.h"
#include "support/system_info.h"
#include "uninstall/uninstaller.h"

namespace vantrel {
namespace {

int RunUninstall(RunState& run) {
    const std::wstring& name = run.options.uninstallProductName;
    if (name.empty())
        Fatal(UsageText(L"Product name required", FileNameOf(ModuleFilePath())));
    if (RunUninstaller(run, name)) {
        // The uninstall notification and the self-deleting clean-up batch follow a successful
        // removal; both arrive with the uninstaller proper.
    }
    return kExitUninstall;
}

}  // namespace

void EngineMain(HINSTANCE instance) {
    RunState run;
    InstallCrashFilter();
    const HRESULT ole = OleInitialize(nullptr);
    (void)ole;  // a failure here only disables the shell features that need OLE
    EnablePrivilege(L"SeTakeOwnershipPrivilege");
    FatalMessageRoutine fatal(run);
    fatal.Register();
    run.instance = instance;
    run.runStamp = TakeRunStamp();
    // Until the command line says otherwise, messages are shown.
    run.ui = std::make_unique<WindowsUserInterface>();

    const int exitCode = RunToItsEnd([&run] {
        CommandLineServices services{
            [](std::wstring_view text) { return ToSystemCodePage(std::wstring(text)); }, FullPathOf};
        CommandLineResult parsed = ParseCommandLine(GetCommandLineW(), services);
        run.options = std::move(parsed.options);
        if (run.options.silent)
            run.ui = std::make_unique<SilentUserInterface>();
        if (parsed.error)
            Fatal(UsageText(parsed.error->message, FileNameOf(ModuleFilePath())));
        return run.options.uninstallRequested ? RunUninstall(run) : RunInstallation(run);
    });
    ExitRun(run, exitCode);
}

}  // namespace vantrel
