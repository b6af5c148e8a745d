// Writer side of the firewall text, in a file of its own (the engine only reads).
#include <string>

#include "format/firewall_text.h"

namespace vantrel {

std::wstring WriteFirewallText(const std::vector<FirewallInstruction>& instructions) {
    std::wstring text;
    for (const FirewallInstruction& instruction : instructions) {
        text += instruction.target + L";" + instruction.name + L";" + std::to_wstring(instruction.flags) +
                L";" + (instruction.keep ? L"1" : L"0") + L"\r\n";
    }
    return text;
}

}  // namespace vantrel
