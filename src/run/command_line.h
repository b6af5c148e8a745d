#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// What the command line asked for. Filled once at start and read by every later step.
struct CommandLineOptions {
    bool automatic = false;
    bool silent = false;
    bool minimizedStart = false;
    bool uninstallRequested = false;
    std::wstring uninstallProductName;
    std::wstring installFolderOverride;
    std::wstring installFolderOverrideFull;  // normalised full path of the override
    std::wstring productNameOverride;
    std::wstring launchOnExit;
    std::array<std::string, 3> batchAdditions;  // Pre-Installation, Post-Installation, Installation-Exit
};

// The two system services the parser needs, injected so that it stays portable.
struct CommandLineServices {
    // UTF-16 -> 8-bit system code page, unconvertible characters as '?'.
    std::function<std::string(std::wstring_view)> toSystemCodePage;
    // A normalised absolute form of a folder path.
    std::function<std::wstring(const std::wstring&)> fullPath;
};

// A command-line fault: the text that leads the usage message.
struct CommandLineError {
    std::wstring message;
};

struct CommandLineResult {
    CommandLineOptions options;
    std::optional<CommandLineError> error;
};

// Splits a whole process command line into tokens, the program path dropped.
std::vector<std::wstring> TokenizeCommandLine(std::wstring_view commandLine);

// Parses the process command line (program path first).
CommandLineResult ParseCommandLine(std::wstring_view commandLine, const CommandLineServices& services);

// The usage text shown with a command-line fault.
std::wstring UsageText(std::wstring_view leadingMessage, std::wstring_view programFileName);

}  // namespace vantrel
