#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The private exception code a fatal error is raised with.
inline constexpr std::uint32_t kFatalErrorException = 0xD1EB17CC;

// The text shown after "Exception: " for a code; empty for a code the table does not know.
std::string_view ExceptionCodeText(std::uint32_t code);

struct CrashRegisters {
    std::uint32_t flags = 0, eax = 0, ebx = 0, ecx = 0, edx = 0, edi = 0, esi = 0, eip = 0, ebp = 0, esp = 0;
    std::uint32_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
};

struct CrashModule {
    std::uint32_t start = 0;
    std::uint32_t last = 0;
    std::string path;
};

struct CrashFrame {
    std::uint32_t frame = 0;
    std::uint32_t code = 0;
    std::string module;
    std::string symbol;  // empty when unresolved
};

// Everything the crash text tells, gathered by the crash handler (8-bit texts are
// Windows-1252).
struct CrashFacts {
    bool fatal = false;
    std::string fatalMessage;
    std::uint32_t code = 0;
    std::uint32_t address = 0;
    std::string addressModule;  // file name of the module holding the address, or empty
    bool accessViolation = false;
    bool writeAccess = false;
    std::uint32_t accessedAddress = 0;
    std::string productLine;  // name, version and edition
    std::uint32_t threadId = 0;
    std::uint32_t mainThreadId = 0;
    std::optional<std::string> times;  // "elapsed / kernel / user"
    std::string os;
    std::string browser;
    std::string office;  // "version (detail)", empty when none is installed
    std::string language;
    std::uint32_t locale = 0;
    std::uint32_t codePage = 0;
    bool previousOutOfMemory = false;
    std::string commandLine;
    CrashRegisters registers;
    std::vector<CrashModule> modules;
    std::vector<CrashFrame> frames;
};

// The first line of the out-of-memory report; a fatal error with this message does not add
// the previous-out-of-memory line.
inline constexpr std::string_view kOutOfMemoryTitle = "Out Of Memory";
inline constexpr std::string_view kDefaultOutOfMemoryAdvice = "Make sure the hard drive is not full.";

// The crash text, "\r\n" line ends, hexadecimal numbers in eight digits.
std::string BuildCrashText(const CrashFacts& facts);

// The out-of-memory report: title, advice, requested size and 80 words of the handler's
// stack in ten lines of eight.
std::string OutOfMemoryReport(std::string_view advice, std::size_t requestedSize,
                              const std::uint32_t (&stackWords)[80]);

// What "Inform Us" posts: the form fields "from", "body", "subject" and "headers".
struct CrashReportInput {
    std::string crashText;
    std::string executableName;
    std::string senderAddress;
    std::string email;     // optional
    std::string comments;  // optional
};
std::string CrashReportForm(const CrashReportInput& input);

}  // namespace vantrel
