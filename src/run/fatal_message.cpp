#include "run/fatal_message.h"

#include <exception>

#include "run/run_end.h"
#include "format/message_table.h"
#include "support/fatal_hook.h"

namespace vantrel {
namespace {

constexpr std::size_t kFatalTitleMessage = 21;
FatalMessageRoutine* g_registered = nullptr;

void RaiseThroughRegistered(const std::wstring& message) {
    if (g_registered != nullptr)
        g_registered->Raise(message);
    ExitProcess(static_cast<UINT>(kExitFatalReentry));
}

// A fatal error while one is being reported ends the run with -1. It unwinds like any other
// end, so the owners on the stack still clean up; only when the stack is already unwinding
// (a destructor raised it) can nothing be thrown, and the process ends on the spot.
[[noreturn]] void EndFatalReentry() {
    if (std::uncaught_exceptions() > 0)
        ExitProcess(static_cast<UINT>(kExitFatalReentry));
    throw RunEnd{kExitFatalReentry};
}

}  // namespace

FatalMessageRoutine::FatalMessageRoutine(RunState& run) : run_(run) {}

FatalMessageRoutine::~FatalMessageRoutine() {
    if (g_registered == this) {
        g_registered = nullptr;
        RegisterFatalHandler(nullptr);
    }
}

void FatalMessageRoutine::Register() {
    g_registered = this;
    RegisterFatalHandler(&RaiseThroughRegistered);
}

void FatalMessageRoutine::Raise(const std::wstring& message) {
    if (active_)
        EndFatalReentry();
    active_ = true;
    if (!run_.options.silent && run_.ui) {
        std::wstring title = run_.messages ? run_.messages->Text(kFatalTitleMessage) : std::wstring();
        if (title.empty())
            title = L"Error";
        run_.ui->ShowMessageBox(message, title, mb::kOk | mb::kIconError);
    }
    // Stays active: anything fatal while the run unwinds is a fatal error during a fatal error.
    throw RunEnd{kExitInstall};
}

void Fatal(const std::wstring& message) {
    RaiseFatal(message);
}

}  // namespace vantrel
