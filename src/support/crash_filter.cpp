#include "support/crash_filter.h"

#include <dbghelp.h>
#include <tlhelp32.h>

#include <string>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "format/crash_text.h"
#include "format/os_version.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/os_info.h"
#include "support/system_library.h"

namespace vantrel {
namespace {

constexpr DWORD kStackOverflow = 0xC00000FD;
constexpr std::size_t kMaxWorkers = 16;
constexpr std::size_t kMaxReleasers = 8;
constexpr unsigned kMaxOutOfMemoryRounds = 50000;

// Process-wide by nature: the filter runs on whichever thread faults, with nothing else at
// hand. Plain values only, so nothing here needs constructing before main.
CrashReporter reporter = nullptr;
DWORD mainThreadId = 0;
volatile LONG filterRunning = 0;
volatile LONG workerThreads[kMaxWorkers] = {};
FatalErrorCallback fatalCallback = nullptr;
volatile LONG fatalErrorRan = 0;
MemoryReleaser releasers[kMaxReleasers] = {};
volatile LONG outOfMemory = 0;
bool outOfMemoryHandlerInstalled = false;
volatile LONG outOfMemoryRounds = 0;
char productLine[128] = "Vantrel Setup";
char outOfMemoryAdvice[256] = "Make sure the hard drive is not full.";
// Given back before the out-of-memory report is built, so that the report itself can be.
void* emergencyReserve = nullptr;
volatile LONG reportingOutOfMemory = 0;
// The message of the fatal error being raised; read by the filter on the same thread.
const std::wstring* pendingFatalMessage = nullptr;

void CopyText(char* target, std::size_t capacity, std::string_view text) {
    const std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    for (std::size_t i = 0; i < length; ++i)
        target[i] = text[i];
    target[length] = '\0';
}

bool IsWorker(DWORD threadId) {
    for (const volatile LONG& worker : workerThreads) {
        if (static_cast<DWORD>(worker) == threadId && threadId != 0)
            return true;
    }
    return false;
}

std::string Narrow(const std::wstring& text) {
    return Utf16ToWindows1252(text);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RegistryText(HKEY root, const wchar_t* key, const wchar_t* value) {
    wchar_t buffer[128] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return {};
    return Narrow(buffer);
}

// Seconds with three decimals, rounded to the millisecond; integer arithmetic keeps the
// printf family (and its float formatter) out of the engine.
std::string Seconds(ULONGLONG hundredNanoseconds) {
    const ULONGLONG milliseconds = (hundredNanoseconds + 5000) / 10000;
    std::string fraction = std::to_string(milliseconds % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(milliseconds / 1000) + "." + fraction;
}

std::vector<CrashModule> Modules() {
    std::vector<CrashModule> modules;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE)
        return modules;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
        const auto start = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(entry.modBaseAddr));
        modules.push_back({start, start + entry.modBaseSize - 1, Narrow(entry.szExePath)});
    }
    CloseHandle(snapshot);
    return modules;
}

std::string ModuleNameAt(const std::vector<CrashModule>& modules, std::uint32_t address) {
    for (const CrashModule& module : modules) {
        if (address >= module.start && address <= module.last)
            return FileNameOf(module.path);
    }
    return {};
}

std::vector<CrashFrame> CallStack(const CrashRecord& record, const std::vector<CrashModule>& modules) {
    std::vector<CrashFrame> frames;
    const UniqueLibrary dbghelp(LoadSystemLibrary(L"dbghelp.dll"));
    const auto initialize = ModuleFunction<decltype(&SymInitialize)>(dbghelp.Get(), "SymInitialize");
    const auto setOptions = ModuleFunction<decltype(&SymSetOptions)>(dbghelp.Get(), "SymSetOptions");
    const auto walk = ModuleFunction<decltype(&StackWalk64)>(dbghelp.Get(), "StackWalk64");
    const auto tableAccess =
        ModuleFunction<decltype(&SymFunctionTableAccess64)>(dbghelp.Get(), "SymFunctionTableAccess64");
    const auto moduleBase =
        ModuleFunction<decltype(&SymGetModuleBase64)>(dbghelp.Get(), "SymGetModuleBase64");
    const auto fromAddress = ModuleFunction<decltype(&SymFromAddr)>(dbghelp.Get(), "SymFromAddr");
    const auto cleanup = ModuleFunction<decltype(&SymCleanup)>(dbghelp.Get(), "SymCleanup");
    if (!initialize || !setOptions || !walk || !tableAccess || !moduleBase || !fromAddress || !cleanup)
        return frames;
    const HANDLE process = GetCurrentProcess();
    const HANDLE thread = GetCurrentThread();
    setOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
    if (!initialize(process, nullptr, TRUE))
        return frames;
    CONTEXT context = record.context;
    STACKFRAME64 frame{};
    frame.AddrPC.Offset = context.Eip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context.Ebp;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context.Esp;
    frame.AddrStack.Mode = AddrModeFlat;
    if (context.Eip == 0 && context.Ebp != 0) {
        // A call through a null pointer: the return address on the frame is the first code.
        const auto* frameWords = reinterpret_cast<const DWORD*>(static_cast<std::uintptr_t>(context.Ebp));
        frame.AddrPC.Offset = frameWords[1];
    }
    for (int depth = 0; depth < 100; ++depth) {
        if (!walk(IMAGE_FILE_MACHINE_I386, process, thread, &frame, &context, nullptr, tableAccess,
                  moduleBase, nullptr) ||
            frame.AddrPC.Offset == 0) {
            break;
        }
        CrashFrame line;
        line.frame = static_cast<std::uint32_t>(frame.AddrFrame.Offset);
        line.code = static_cast<std::uint32_t>(frame.AddrPC.Offset);
        line.module = ModuleNameAt(modules, line.code);
        alignas(SYMBOL_INFO) char symbolBuffer[sizeof(SYMBOL_INFO) + 256] = {};
        auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbolBuffer);
        symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        symbol->MaxNameLen = 255;
        DWORD64 displacement = 0;
        if (fromAddress(process, frame.AddrPC.Offset, &displacement, symbol))
            line.symbol = symbol->Name;
        frames.push_back(std::move(line));
    }
    cleanup(process);
    return frames;
}

LONG Report(const CrashRecord& record) {
    return reporter(record);
}

struct OverflowReport {
    const CrashRecord* record;
    LONG result;
};

DWORD WINAPI ReportOnFreshStack(void* context) {
    auto* report = static_cast<OverflowReport*>(context);
    report->result = Report(*report->record);
    return 0;
}

void NewHandler() {
    HandleOutOfMemory(0);
}

}  // namespace

bool PassesOnException(std::uint32_t code) {
    return code == 0x80000003 || code == 0x80000004 || code == 0xC0000025 || code == 0xE06D7363;
}

void SetCrashProductLine(std::string_view line) {
    CopyText(productLine, sizeof(productLine), line);
}

void InstallCrashFilter() {
    if (mainThreadId == 0)
        mainThreadId = GetCurrentThreadId();
    SetUnhandledExceptionFilter(&CrashFilter);
}

void SetCrashReporter(CrashReporter newReporter) {
    mainThreadId = GetCurrentThreadId();
    reporter = newReporter;
    SetUnhandledExceptionFilter(&CrashFilter);
}

void RegisterWorkerThread(DWORD threadId) {
    for (volatile LONG& slot : workerThreads) {
        if (InterlockedCompareExchange(&slot, static_cast<LONG>(threadId), 0) == 0)
            return;
    }
}

void UnregisterWorkerThread(DWORD threadId) {
    for (volatile LONG& slot : workerThreads)
        InterlockedCompareExchange(&slot, 0, static_cast<LONG>(threadId));
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& raised = *exception->ExceptionRecord;
    const auto code = static_cast<std::uint32_t>(raised.ExceptionCode);
    if (PassesOnException(code))
        return EXCEPTION_CONTINUE_SEARCH;
    if (IsWorker(GetCurrentThreadId()))
        return EXCEPTION_EXECUTE_HANDLER;
    if (reporter == nullptr || InterlockedExchange(&filterRunning, 1) != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    CrashRecord record;
    record.code = code;
    record.address = raised.ExceptionAddress;
    record.context = *exception->ContextRecord;
    record.threadId = GetCurrentThreadId();
    if (code == EXCEPTION_ACCESS_VIOLATION && raised.NumberParameters >= 2) {
        record.accessViolation = true;
        record.writeAccess = raised.ExceptionInformation[0] == 1;
        record.accessedAddress = static_cast<std::uint32_t>(raised.ExceptionInformation[1]);
    }
    if (code == kFatalErrorException && pendingFatalMessage != nullptr) {
        record.fatal = true;
        record.fatalMessage = *pendingFatalMessage;
    }
    if (code != kStackOverflow)
        return Report(record);
    // The faulting thread has no stack left to build a report on: a thread of its own with
    // a fresh stack does it, and the process ends with the run's failure code afterwards.
    OverflowReport report{&record, EXCEPTION_EXECUTE_HANDLER};
    const HANDLE thread = CreateThread(nullptr, 1024 * 1024, &ReportOnFreshStack, &report, 0, nullptr);
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    TerminateProcess(GetCurrentProcess(), 1);
    return report.result;
}

std::string CrashTextFor(const CrashRecord& record) {
    CrashFacts facts;
    facts.fatal = record.fatal;
    facts.fatalMessage = Narrow(record.fatalMessage);
    facts.code = record.code;
    facts.address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(record.address));
    facts.accessViolation = record.accessViolation;
    facts.writeAccess = record.writeAccess;
    facts.accessedAddress = record.accessedAddress;
    facts.productLine = productLine;
    facts.threadId = record.threadId;
    facts.mainThreadId = mainThreadId;
    FILETIME created, exited, kernel, user, now;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        GetSystemTimeAsFileTime(&now);
        const auto value = [](const FILETIME& time) {
            return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
        };
        facts.times = Seconds(value(now) - value(created)) + " / " + Seconds(value(kernel)) + " / " +
                      Seconds(value(user));
    }
    facts.os = Narrow(OsDescription(CurrentOs()));
    facts.browser =
        RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"svcVersion");
    if (facts.browser.empty())
        facts.browser =
            RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"Version");
    wchar_t language[64] = {};
    GetLocaleInfoW(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), LOCALE_SENGLANGUAGE, language, 64);
    facts.language = Narrow(language);
    facts.locale = GetUserDefaultLCID();
    facts.codePage = GetACP();
    facts.previousOutOfMemory = OutOfMemoryOccurred();
    facts.commandLine = Narrow(GetCommandLineW());
    const CONTEXT& c = record.context;
    facts.registers = {c.EFlags, c.Eax, c.Ebx,   c.Ecx,   c.Edx,   c.Edi,   c.Esi,   c.Eip,
                       c.Ebp,    c.Esp, c.SegCs, c.SegDs, c.SegEs, c.SegFs, c.SegGs, c.SegSs};
    facts.modules = Modules();
    facts.addressModule = ModuleNameAt(facts.modules, facts.address);
    if (!record.fatal)
        facts.frames = CallStack(record, facts.modules);
    return BuildCrashText(facts);
}

void SetFatalErrorCallback(FatalErrorCallback callback) {
    fatalCallback = callback;
}

void FatalError(const std::wstring& message) {
    if (InterlockedExchange(&fatalErrorRan, 1) == 0) {
        pendingFatalMessage = new std::wstring(message);
        if (fatalCallback != nullptr)
            fatalCallback(message);
    }
    RaiseException(kFatalErrorException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    // Nothing handled it: no filter, or one that passed it on.
    TerminateProcess(GetCurrentProcess(), 1);
    for (;;) {
    }
}

void InternalAssertion(const char* module, int line) {
    // The module is a source file name, plain ASCII.
    const std::wstring moduleText(module, module + std::char_traits<char>::length(module));
    FatalError(FormatText(L"Internal Fatal Error\r\nModule: %s\r\nLine: %d", {moduleText, line}));
}

void InstallOutOfMemoryHandler() {
    if (emergencyReserve == nullptr)
        emergencyReserve = HeapAlloc(GetProcessHeap(), 0, 256 * 1024);
    std::set_new_handler(&NewHandler);
    outOfMemoryHandlerInstalled = true;
}

void RegisterMemoryReleaser(MemoryReleaser releaser) {
    for (MemoryReleaser& slot : releasers) {
        if (slot == nullptr) {
            slot = releaser;
            return;
        }
    }
}

void SetOutOfMemoryAdvice(std::string_view advice) {
    CopyText(outOfMemoryAdvice, sizeof(outOfMemoryAdvice), advice);
}

bool OutOfMemoryOccurred() {
    return InterlockedCompareExchange(&outOfMemory, 0, 0) != 0;
}

void HandleOutOfMemory(std::size_t requestedSize) {
    InterlockedExchange(&outOfMemory, 1);
    if (InterlockedIncrement(&outOfMemoryRounds) <= static_cast<LONG>(kMaxOutOfMemoryRounds)) {
        bool released = false;
        for (const MemoryReleaser releaser : releasers) {
            if (releaser != nullptr && releaser())
                released = true;
        }
        if (released)
            return;
    }
    // An allocation that fails while the report is being made fails as allocations do.
    if (InterlockedExchange(&reportingOutOfMemory, 1) != 0)
        throw std::bad_alloc();
    if (emergencyReserve != nullptr)
        HeapFree(GetProcessHeap(), 0, std::exchange(emergencyReserve, nullptr));
    // The handler's own stack, from its frame upwards: what the allocating code was doing.
    volatile std::uint32_t marker = 0;
    std::uint32_t words[80];
    const volatile std::uint32_t* stack = &marker;
    for (std::size_t i = 0; i < 80; ++i)
        words[i] = stack[i];
    const std::string report = OutOfMemoryReport(outOfMemoryAdvice, requestedSize, words);
    FatalError(Windows1252ToUtf16(report));
}

}  // namespace vantrel

// Every allocation of C++ code comes here, so that a failure reaches the out-of-memory
// handler with the size that was asked for instead of ending the process unreported.
void* operator new(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size != 0 ? size : 1))
            return block;
        if (!vantrel::outOfMemoryHandlerInstalled)
            throw std::bad_alloc();
        vantrel::HandleOutOfMemory(size);
    }
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}
