#include "engine/installer_crash_report.h"

#include "context/finish_install_log.h"
#include "context/install_session.h"
#include "format/crash_text.h"
#include "format/engine_version.h"
#include "format/text_encoding.h"
#include "run/engine_identity.h"
#include "support/crash_filter.h"
#include "support/fatal_hook.h"
#include "support/notification_sender.h"
#include "support/system_info.h"
#include "ui/exception_dialog.h"

namespace vantrel {
namespace {

// The reporter runs inside the top-level filter with nothing but these at hand.
struct ReportState {
    HINSTANCE resources = nullptr;
    bool silent = false;
    InstallSession* session = nullptr;
    CrashReportConfig* config = nullptr;  // made on first use, kept for the process
};
ReportState state;

LONG InstallerCrashReporter(const CrashRecord& record) {
    const std::string text = CrashTextFor(record);
    const std::wstring wideText = Windows1252ToUtf16(text);
    if (state.session != nullptr) {
        FailureList& failures = state.session->logging.failures;
        failures.Append(L"\r\n\r\nINSTALLER CRASHED!\r\n");
        failures.Append(wideText);
        FinishInstallLog(*state.session, failures.Text(), false, false);
    }
    if (!state.silent) {
        const CrashReportConfig none;
        const CrashReportConfig& config = state.config != nullptr ? *state.config : none;
        const bool canInform = !config.reportAddress.empty();
        const ExceptionDialogResult answer =
            ShowExceptionDialog(state.resources, wideText, config.makerName, canInform);
        // The report leaves the machine only here, after the person has seen it and asked.
        if (answer.informUs && canInform) {
            const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            PostWebForm(config.reportAddress,
                        CrashReportForm({Windows1252ToUtf8(text), Utf16ToUtf8(FileNameOf(ModuleFilePath())),
                                         config.senderAddress, Utf16ToUtf8(answer.email),
                                         Utf16ToUtf8(answer.comments)}));
            SetCursor(previous);
        }
    }
    // An install run ends with 1, whatever ended it.
    TerminateProcess(GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void RegisterInstallerCrashReporter(HINSTANCE resources) {
    state.resources = resources;
    SetCrashProductLine(Utf16ToWindows1252(std::wstring(kEngineName)) + " " + kEngineVersion + " Standard");
    SetCrashReporter(&InstallerCrashReporter);
    SetFatalErrorCallback(&RaiseFatal);
    InstallOutOfMemoryHandler();
}

void SetCrashReportSilent(bool silent) {
    state.silent = silent;
}

void SetCrashReportSession(InstallSession* session) {
    state.session = session;
}

void SetCrashReportConfig(const CrashReportConfig& config) {
    if (state.config == nullptr)
        state.config = new CrashReportConfig(config);
    else
        *state.config = config;
}

}  // namespace vantrel
