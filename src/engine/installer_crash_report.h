#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

class InstallSession;

// Where the installer's crash report may go; without a report address "Inform Us" stays
// disabled and nothing leaves the machine.
struct CrashReportConfig {
    std::wstring makerName = L"Vantrel";
    std::wstring reportAddress;
    std::string senderAddress;
};

// The installer's crash reporter, registered as the very first step of start-up (with the
// out-of-memory handler and the fatal-error callback, which hands fatal errors to the fatal
// message routine). A crash then adds its text to the failure list, writes Install.log out
// (once a session exists), shows "ExceptionDlg" unless the run is silent, sends the report
// only when "Inform Us" is pressed, and ends the process with exit code 1.
void RegisterInstallerCrashReporter(HINSTANCE resources);

// Run facts the reporter needs, set as they become known.
void SetCrashReportSilent(bool silent);
void SetCrashReportSession(InstallSession* session);
void SetCrashReportConfig(const CrashReportConfig& config);

}  // namespace vantrel
