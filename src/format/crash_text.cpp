#include "format/crash_text.h"

#include <string>

#include "format/engine_version.h"
#include "format/notification_address.h"

namespace vantrel {
namespace {

struct CodeText {
    std::uint32_t code;
    std::string_view text;
};

constexpr CodeText kCodeTexts[] = {
    {0xC0000005, "Illegal memory access."},
    {0xC000008C, "Array element is out of bounds."},
    {0x80000003, "Breakpoint encountered."},
    {0x80000002, "Misaligned memory access."},
    {0xC000008D, "One of the operands in a floating-point operation is denormal (too small to represent)."},
    {0xC000008E, "Floating-point division by zero."},
    {0xC000008F, "Floating-point operation cannot be represented exactly as a decimal fraction."},
    {0xC0000090, "Invalid floating point operation."},
    {0xC0000091,
     "The exponent of a floating-point operation is greater than the magnitude allowed by the corresponding "
     "type."},
    {0xC0000092, "The stack overflowed or underflowed as the result of a floating-point operation."},
    {0xC0000093,
     "The exponent of a floating-point operation is less than the magnitude allowed by the corresponding "
     "type."},
    {0xC000001D, "Invalid instruction executed."},
    {0xC0000006, "Failed to load page into physical memory."},
    {0xC0000094, "Integer divide by zero."},
    {0xC0000095, "Integer overflow."},
    {0xC0000026, "An exception handler returned an invalid disposition."},
    {0xC0000025, "Cannot continue after a noncontinuable exception occurred."},
    {0xC0000096, "Attempt to execute a privileged instruction."},
    {0x80000004, "Single step."},
    {0xC00000FD, "Stack overflow."},
    {0xC000013A, "Ctrl+C pressed."},
    {0x80000001, "Memory Allocated as PAGE_GUARD by VirtualAlloc() was accessed."},
    {0xC0000017,
     "Called by HeapAlloc() if you specify HEAP_GENERATE_EXCEPTIONS and there is no memory or heap "
     "corruption."},
    {0xC015000F, "The activation context being deactivated is not the most recently activated one."},
    {0xE06D7363, "Visual C++ structured exception handling."},
    {0x8007000E, "Out of memory."},
};

// Upper-case hexadecimal with at least `digits` digits. Written out here because the
// printf family pulls a whole formatter into the engine.
std::string Hex(std::uint64_t value, int digits = 8) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

}  // namespace

std::string_view ExceptionCodeText(std::uint32_t code) {
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code == code)
            return entry.text;
    }
    return {};
}

std::string BuildCrashText(const CrashFacts& f) {
    std::string t;
    if (f.fatal)
        t += "Fatal error: " + f.fatalMessage;
    else
        t += "Exception: " + std::string(ExceptionCodeText(f.code));
    t += "\r\n";
    t += "\r\nProduct: " + f.productLine + "\r\n\r\n";
    if (!f.fatal) {
        t += "Exception code: " + Hex(f.code) + "\r\nAddress: " + Hex(f.address) + "\r\n";
        if (!f.addressModule.empty())
            t += "Module: " + f.addressModule + "\r\n";
        if (f.accessViolation) {
            t += std::string("Read/write: ") + (f.writeAccess ? "write" : "read") +
                 "\r\nMemory address: " + Hex(f.accessedAddress) + "\r\n";
        }
    }
    t += "Thread ID: " + std::to_string(f.threadId) + "  Main Thread: " + std::to_string(f.mainThreadId) +
         "\r\n";
    if (f.times)
        t += "Process/kernel/user time: " + *f.times + "\r\n";
    t += "OS: " + f.os + "\r\n";
    t += "IE: " + f.browser + "\r\n";
    if (!f.office.empty())
        t += "Office: " + f.office + "\r\n";
    t += "Language: " + f.language + "\r\n";
    t += "Locale: 0x" + Hex(f.locale) + "  Codepage: " + std::to_string(f.codePage) + "\r\n";
    const bool outOfMemoryMessage = f.fatal && f.fatalMessage.rfind(kOutOfMemoryTitle, 0) == 0;
    if (f.previousOutOfMemory && !outOfMemoryMessage)
        t += "A previous out-of-memory condition occurred.\r\n";
    if (!f.commandLine.empty())
        t += "Command line: " + f.commandLine + "\r\n";
    if (!f.fatal) {
        const CrashRegisters& r = f.registers;
        t += "\r\nCPU Registers:\r\nFlags: " + Hex(r.flags);
        const std::pair<const char*, std::uint32_t> registers[] = {
            {"\r\n  EAX: ", r.eax}, {"\r\n  EBX: ", r.ebx}, {"\r\n  ECX: ", r.ecx}, {"\r\n  EDX: ", r.edx},
            {"\r\n  EDI: ", r.edi}, {"\r\n  ESI: ", r.esi}, {"\r\n  EIP: ", r.eip}, {"\r\n  EBP: ", r.ebp},
            {"\r\n  ESP: ", r.esp}, {"\r\n   CS: ", r.cs},  {"\r\n   DS: ", r.ds},  {"\r\n   ES: ", r.es},
            {"\r\n   FS: ", r.fs},  {"\r\n   GS: ", r.gs},  {"\r\n   SS: ", r.ss}};
        for (const auto& [label, value] : registers)
            t += label + Hex(value);
    }
    t += "\r\n\r\nModules:\r\n";
    for (const CrashModule& module : f.modules)
        t += Hex(module.start) + " " + Hex(module.last) + " " + module.path + "\r\n";
    t += "\r\nCall Stack:\r\n";
    for (const CrashFrame& frame : f.frames) {
        t += Hex(frame.frame) + " " + Hex(frame.code) + " " + frame.module;
        if (!frame.symbol.empty())
            t += " " + frame.symbol;
        t += "\r\n";
    }
    return t;
}

std::string OutOfMemoryReport(std::string_view advice, std::size_t requestedSize,
                              const std::uint32_t (&stackWords)[80]) {
    const std::string size = std::to_string(requestedSize) + " (0x" + Hex(requestedSize) + ")";
    std::string t = std::string(kOutOfMemoryTitle) + ".\r\nAdvice: " + std::string(advice) +
                    "\r\nRequested size = " + size + "\r\n\r\nStack contents:";
    for (std::size_t i = 0; i < 80; ++i)
        t += (i % 8 == 0 ? "\r\n" : " ") + Hex(stackWords[i]);
    return t;
}

std::string CrashReportForm(const CrashReportInput& input) {
    std::string headers = "X-Orvanta-Internal: 2\r\n";
    std::string body = input.crashText;
    if (!input.email.empty()) {
        headers += "X-Exception-Email: " + input.email + "\r\nReply-To: " + input.email + "\r\n";
        body += "\r\nEmail: " + input.email + "\r\n";
    }
    if (!input.comments.empty())
        body += "\r\nComments:\r\n" + input.comments;
    const std::string subject =
        std::string("Exception - Installer ") + kEngineVersion + ": " + input.executableName;
    return "from=" + WebEncode(input.senderAddress) + "&body=" + WebEncode(body) +
           "&subject=" + WebEncode(subject) + "&headers=" + WebEncode(headers);
}

}  // namespace vantrel
