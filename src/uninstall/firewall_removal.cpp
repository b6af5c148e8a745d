#include "uninstall/firewall_removal.h"

#include "actions/firewall_step.h"
#include "format/firewall_text.h"
#include "format/text_encoding.h"
#include "support/firewall_client.h"

namespace vantrel {

void RemoveFirewallExceptions(const std::vector<std::string>& recordedLines, std::wstring_view installDir,
                              const std::function<void(std::wstring&)>& expandVariables,
                              FirewallService& firewall) {
    if (recordedLines.empty() || firewall.Connect() != firewall_result::kDone)
        return;
    for (const std::string& recorded : recordedLines) {
        // Each line on its own: a damaged line is skipped, the others are still removed.
        const FirewallTextRead read = ReadFirewallText(Utf8ToUtf16(recorded));
        if (read.errorCode != 0 || read.instructions.size() != 1)
            continue;
        const FirewallInstruction& line = read.instructions.front();
        const std::wstring_view target = DecodedFirewallTarget(line.target);
        if (const auto port = FirewallTargetPort(target)) {
            if ((line.flags & firewall_protocol::kTcp) != 0)
                firewall.RemovePort(*port, ip_protocol::kTcp, 0);
            if ((line.flags & firewall_protocol::kUdp) != 0)
                firewall.RemovePort(*port, ip_protocol::kUdp, 0);
        } else {
            firewall.RemoveProgram(ResolveFirewallProgram(target, installDir, expandVariables), 0);
        }
    }
    firewall.Disconnect();
}

}  // namespace vantrel
