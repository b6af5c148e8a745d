#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class FirewallService;

// The uninstaller's firewall step: removes the exceptions the installation recorded (the
// [Firewall] lines of Uninstall.DAT). A port line removes its TCP and UDP entries as its
// flags say; any other target is a program path, expanded and taken from the installation
// folder when relative. Nothing is reported: an exception that cannot be removed does not
// make the uninstallation fail. When the firewall cannot be reached the step ends.
void RemoveFirewallExceptions(const std::vector<std::string>& recordedLines, std::wstring_view installDir,
                              const std::function<void(std::wstring&)>& expandVariables,
                              FirewallService& firewall);

}  // namespace vantrel
