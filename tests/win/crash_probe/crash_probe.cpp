// Plays an installer that crashes: registers the installer's crash reporter with a session
// whose log goes to the given folder, then fails in the way the first argument names.
//   crash_probe <write|overflow|fatal|assert|oom|reserve> <folder> [silent] [report-address]
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "context/install_session.h"
#include "engine/installer_crash_report.h"
#include "format/message_table.h"
#include "format/settings.h"
#include "support/crash_filter.h"
#include "ui/user_interface.h"

namespace {

volatile int* volatile nowhere = reinterpret_cast<int*>(0x10);
std::vector<char*> ballast;
char* volatile kept = nullptr;

bool ReleaseBallast() {
    if (ballast.empty())
        return false;
    for (char* block : ballast)
        delete[] block;
    ballast.clear();
    return true;
}

// Each frame keeps a buffer the compiler cannot drop, so the recursion runs out of stack.
volatile int deepest = 1 << 30;

int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    if (depth > deepest)
        return 0;
    return Recurse(depth + 1) + frame[0];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace vantrel;
    if (argc < 3)
        return 2;
    const std::wstring mode = argv[1];
    const std::wstring folder = argv[2];
    const bool silent = argc > 3 && std::wstring(argv[3]) == L"silent";  // else "shown"

    RegisterInstallerCrashReporter(GetModuleHandleW(nullptr));
    // No fatal message routine in this program: fatal errors go on to the crash report.
    SetFatalErrorCallback(nullptr);
    SetCrashReportSilent(silent);
    if (argc > 4) {
        CrashReportConfig config;
        config.reportAddress = argv[4];
        config.senderAddress = "crash@vantrel.test";
        SetCrashReportConfig(config);
    }

    Settings settings;
    settings.productName = L"Crash Probe";
    settings.productVersion = L"1.0";
    settings.uninstallSubfolder = L"uninstall";
    CommandLineOptions options;
    options.silent = silent;
    SilentUserInterface ui;
    InstallSession session(settings, options, ui);
    session.SetInstallDir(folder);
    CreateDirectoryW(session.folders.uninstallDataDir.c_str(), nullptr);
    session.logging.log.Begin();
    session.logging.log.WriteLog("Before the crash\r\n");
    SetCrashReportSession(&session);

    if (mode == L"write") {
        *nowhere = 1;
    } else if (mode == L"overflow") {
        return Recurse(0);
    } else if (mode == L"fatal") {
        FatalError(L"Probe fatal");
    } else if (mode == L"assert") {
        InternalAssertion("probe.cpp", 42);
    } else if (mode == L"oom") {
        // More than a 32-bit process can ever have: the allocation fails for certain. Kept
        // where the compiler cannot prove it unused.
        volatile std::size_t size = 0xFFFFFFF0u;
        kept = new char[size];
    } else if (mode == L"reserve") {
        // A releaser that gives memory back lets the allocation be tried again.
        ballast.push_back(new char[1024]);
        RegisterMemoryReleaser(&ReleaseBallast);
        HandleOutOfMemory(64);
        return OutOfMemoryOccurred() && ballast.empty() ? 7 : 3;
    }
    return 0;
}
