#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class FirewallService;
class InstallLog;

// ProductFlags2: no firewall exceptions for a portable installation.
inline constexpr std::uint32_t kNoFirewallWhenPortable = 0x80000;

// What the firewall step needs of the run.
struct FirewallStepInput {
    std::wstring_view firewallText;  // settings field 76
    std::wstring_view productName;   // %ProductName%: the name of entries that give none
    std::wstring_view installDir;    // relative program paths are taken from here
    bool portable = false;           // %Portable% is "1"
    std::uint32_t productFlags2 = 0;
    std::function<void(std::wstring&)> expandVariables;
};

// The firewall step of the installation sequence, after the associations and before the
// product registration: opens the listed ports and authorizes the listed programs, logging
// each result, and appends the lines the uninstaller is to undo to `recordedLines` (UTF-8,
// each as the payload has it, with its own line break: the [Firewall] lines of
// Uninstall.DAT). Failures are only logged.
// Returns 0, or the corrupt-payload code when a line does not hold four fields; then
// nothing has been added, and the caller ends the run with that code.
int AddFirewallExceptions(const FirewallStepInput& input, FirewallService& firewall, InstallLog& log,
                          std::vector<std::string>& recordedLines);

// A program target as the firewall gets it: variables expanded, a relative path taken from
// the installation folder.
std::wstring ResolveFirewallProgram(std::wstring_view decodedTarget, std::wstring_view installDir,
                                    const std::function<void(std::wstring&)>& expandVariables);

}  // namespace vantrel
