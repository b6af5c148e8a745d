// The firewall instructions (UTF-16 lines of four ";"-separated fields), read at
// installation from the payload and at uninstallation from the uninstaller's record.
#include "format/firewall_text.h"
#include "fuzz_input.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzz::WideFromUnits(data, size);
    const FirewallTextRead read = ReadFirewallText(text);
    FUZZ_CHECK(read.instructions.size() == read.lineTexts.size());
    std::wstring lines;
    for (std::size_t i = 0; i < read.instructions.size(); ++i) {
        const FirewallInstruction& instruction = read.instructions[i];
        // Only a target of digits is a port; anything else is a program.
        const std::wstring_view target = DecodedFirewallTarget(instruction.target);
        if (FirewallTargetPort(target))
            FUZZ_CHECK(!target.empty() && target.find_first_not_of(L"0123456789") == std::wstring_view::npos);
        lines += read.lineTexts[i];
    }
    // The kept line texts are the text itself, up to where a damaged line stopped the reading.
    FUZZ_CHECK(text.compare(0, lines.size(), lines) == 0);
    if (read.errorCode == 0) {
        FUZZ_CHECK(lines == text);
        const FirewallTextRead again = ReadFirewallText(WriteFirewallText(read.instructions));
        FUZZ_CHECK(again.errorCode == 0 && again.instructions == read.instructions);
    }
    return 0;
}
