#pragma once

#include <cstdint>
#include <optional>
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
    // The text of each instruction's line as it stands, with its own line break: what the
    // uninstall record keeps.
    std::vector<std::wstring> lineTexts;
    int errorCode = 0;  // payload_error::kFirewallFields for a line without exactly four fields
};

// Lines end at CR or LF; a CR LF or LF CR pair is one break. Every line must hold four
// fields, so an empty line between instructions is as damaged as a short one; only the
// break at the very end is no line of its own. The fourth field counts as "keep" when it
// holds a "1" anywhere.
FirewallTextRead ReadFirewallText(std::wstring_view text);

// The target without its encoded-text marker (a leading "|"; the rest is already decoded).
std::wstring_view DecodedFirewallTarget(std::wstring_view target);

// The port a decoded target names: decimal digits only (and a value that fits a port);
// nothing for a program path.
std::optional<std::uint16_t> FirewallTargetPort(std::wstring_view decodedTarget);

// The text of the instructions, each line ending with CR LF.
std::wstring WriteFirewallText(const std::vector<FirewallInstruction>& instructions);

}  // namespace vantrel
