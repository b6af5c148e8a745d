#include "engine/single_instance.h"

#include "run/fatal_message.h"
#include "format/message_table.h"

namespace vantrel {
namespace {
constexpr std::size_t kAnotherInstanceMessage = 91;
}

void AcquireSingleInstance(RunState& run) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName);
    const DWORD error = GetLastError();
    UniqueHandle owned(mutex);
    if (mutex != nullptr && error == ERROR_ALREADY_EXISTS) {
        owned.Reset();
        Fatal(run.messages ? run.messages->Text(kAnotherInstanceMessage) : std::wstring());
    }
    run.singleInstanceMutex = std::move(owned);
}

}  // namespace vantrel
