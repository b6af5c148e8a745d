#include "support/crash_guard.h"

#include <windows.h>

#if !defined(__i386__)
#error "the crash guard is written for 32-bit x86, where handlers are chained through FS:[0]"
#endif

namespace vantrel {
namespace {

// The system walks a chain of these records, newest first, starting at FS:[0], and calls
// each handler until one takes the exception. The compiler offers no way to add one, so
// the guard pushes its own.
struct Registration {
    Registration* next;
    void* handler;
};

struct GuardFrame {
    Registration registration;  // first: the system hands its address back to the handler
    void* jump[5];              // __builtin_setjmp's buffer
    DWORD code;
    void* address;
};

// Flags of an exception record during the second (unwinding) pass.
constexpr DWORD kUnwinding = 0x2;
constexpr DWORD kExitUnwind = 0x4;
// Codes of error severity; informational and warning codes (debug output, breakpoints) are
// raised on purpose and expect someone further down the chain to deal with them.
constexpr DWORD kErrorSeverity = 0xC0000000;

Registration* ChainHead() {
    Registration* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(Registration* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                                      void*) {
    if ((record->ExceptionFlags & (kUnwinding | kExitUnwind)) != 0)
        return ExceptionContinueSearch;
    if ((record->ExceptionCode & kErrorSeverity) != kErrorSeverity)
        return ExceptionContinueSearch;
    auto* frame = static_cast<GuardFrame*>(establisher);
    frame->code = record->ExceptionCode;
    frame->address = record->ExceptionAddress;
    // Back into RunGuardedRaw's frame; the dispatcher's frames below it are abandoned, and
    // the chain head, which the dispatcher moved, is put back there.
    __builtin_longjmp(frame->jump, 1);
}

}  // namespace

__attribute__((noinline)) GuardResult RunGuardedRaw(void (*body)(void* context), void* context) {
    GuardFrame frame{};
    frame.registration.next = ChainHead();
    frame.registration.handler = reinterpret_cast<void*>(&GuardHandler);
    if (__builtin_setjmp(frame.jump) == 0) {
        SetChainHead(&frame.registration);
        try {
            body(context);
        } catch (...) {
            SetChainHead(frame.registration.next);
            throw;
        }
        SetChainHead(frame.registration.next);
        return {};
    }
    // Here after a crash: the values were stored by the handler, not by this function.
    volatile GuardFrame* stored = &frame;
    SetChainHead(stored->registration.next);
    GuardResult result;
    result.crashed = true;
    result.exceptionCode = stored->code;
    result.address = stored->address;
    return result;
}

}  // namespace vantrel
