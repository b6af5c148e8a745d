#include "format/registry_instructions.h"

#include "format/comma_separated.h"

namespace vantrel {
namespace {

// A decimal number with an optional sign, digits up to the first non-digit; 0 without any.
std::uint32_t DecimalNumber(std::wstring_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    std::uint32_t value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at)
        value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
    return negative ? 0u - value : value;
}

}  // namespace

std::vector<RegistryInstruction> ReadRegistryInstructions(std::wstring_view text) {
    std::vector<RegistryInstruction> instructions;
    for (const std::vector<std::wstring>& fields : SplitCommaRecords(text)) {
        RegistryInstruction instruction;
        if (fields.size() == 1) {
            if (fields[0].empty())
                continue;
            instruction.keyPath = fields[0];
            instruction.keyOnly = true;
        } else if (fields.size() == 5) {
            instruction.keyPath = fields[0];
            instruction.valueName = fields[1];
            instruction.type = DecimalNumber(fields[2]);
            instruction.data = fields[3];
            instruction.mode = DecimalNumber(fields[4]);
        } else {
            continue;
        }
        instructions.push_back(std::move(instruction));
    }
    return instructions;
}

}  // namespace vantrel
