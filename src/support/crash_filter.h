#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// What the top-level filter hands to the crash reporter.
struct CrashRecord {
    std::uint32_t code = 0;
    const void* address = nullptr;
    bool accessViolation = false;
    bool writeAccess = false;
    std::uint32_t accessedAddress = 0;
    CONTEXT context{};
    bool fatal = false;
    std::wstring fatalMessage;  // for a fatal error
    DWORD threadId = 0;
};

// Called on the faulting thread; returns the filter's decision (EXCEPTION_EXECUTE_HANDLER
// ends the process).
using CrashReporter = LONG (*)(const CrashRecord& record);

// The product line of the crash text: name, version and edition.
void SetCrashProductLine(std::string_view productLine);

// Stores the reporter and installs the process-wide top-level exception filter. The thread
// that calls it counts as the main thread of the crash text.
void SetCrashReporter(CrashReporter reporter);

// Installs the filter with no reporter yet (start-up calls this before anything can load a
// library; the installer's reporter follows).
void InstallCrashFilter();

// The filter itself, for tests that hand it an exception of their making.
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception);

// Codes the filter leaves to whoever comes next: breakpoints, single steps, a
// non-continuable exception and the language-level exceptions nothing caught.
bool PassesOnException(std::uint32_t code);

// Threads of the library's own whose crash ends the thread's work without a report.
void RegisterWorkerThread(DWORD threadId);
void UnregisterWorkerThread(DWORD threadId);

// The crash text for a record (Windows-1252), with this process's modules and, through the
// debug-help library from the system folder, the call stack.
std::string CrashTextFor(const CrashRecord& record);

// Fatal errors: the callback is told the message first (the installer's callback shows it
// and ends the run); when there is none, or it returns, the fatal-error exception is raised
// and ends in the crash reporter. Runs once per process: a second call raises at once.
using FatalErrorCallback = void (*)(const std::wstring& message);
void SetFatalErrorCallback(FatalErrorCallback callback);
[[noreturn]] void FatalError(const std::wstring& message);

// A broken internal assumption: "Internal Fatal Error\r\nModule: %s\r\nLine: %d".
[[noreturn]] void InternalAssertion(const char* module, int line);

// Allocation failure handling: installs the handler every failed allocation (operator new
// included) goes to. Registered releasers are asked to give memory back and the allocation
// is tried again; when none can (or after 50000 rounds), the out-of-memory report ends the
// run as a fatal error.
using MemoryReleaser = bool (*)();
void InstallOutOfMemoryHandler();
void RegisterMemoryReleaser(MemoryReleaser releaser);
void SetOutOfMemoryAdvice(std::string_view advice);
bool OutOfMemoryOccurred();
// The handler's one round, for the allocation paths that do not go through operator new
// and for tests: returns when the allocation is worth trying again.
void HandleOutOfMemory(std::size_t requestedSize);

}  // namespace vantrel
