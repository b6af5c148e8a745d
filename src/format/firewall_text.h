#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Ports a firewall instruction opens (bits of its flags field).
namespace firewall_protocol {
inline constexpr std::uint32_t kTcp = 0x1;
inline constexpr std::uint32_t kUdp = 0x2;
}  // namespace firewall_protocol

// One line of the firewall text: four fields separated by ";", no quoting.
struct FirewallInstruction {
    std::wstring target;      // encoded-text form; digits only after decoding: a port, else a program
    std::wstring name;        // empty: the product name
    std::uint32_t flags = 0;  // firewall_protocol bits, for a port
    bool keep = false;        // stays at uninstallation

    bool operator==(const FirewallInstruction&) const = default;
};

struct FirewallTextRead {
    std::vector<FirewallInstruction> instructions;
    int errorCode = 0;  // payload_error::kFirewallFields for a line without exactly four fields
};

// Lines end at CR or LF; a CR LF or LF CR pair is one break, and empty lines hold no
// instruction. The fourth field counts as "keep" when it holds a "1" anywhere.
FirewallTextRead ReadFirewallText(std::wstring_view text);

// The text of the instructions, each line ending with CR LF.
std::wstring WriteFirewallText(const std::vector<FirewallInstruction>& instructions);

}  // namespace vantrel
