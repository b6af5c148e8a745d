// Writer side of the registry-instruction text, in a file of its own (the engine only reads).
#include <string>

#include "format/comma_separated.h"
#include "format/registry_instructions.h"

namespace vantrel {

std::wstring WriteRegistryInstructions(const std::vector<RegistryInstruction>& instructions) {
    std::wstring text;
    for (const RegistryInstruction& instruction : instructions) {
        text += CommaSeparatedField(instruction.keyPath);
        if (!instruction.keyOnly) {
            text += L"," + CommaSeparatedField(instruction.valueName) + L"," +
                    std::to_wstring(instruction.type) + L"," + CommaSeparatedField(instruction.data) + L"," +
                    std::to_wstring(instruction.mode);
        }
        text += L"\r\n";
    }
    return text;
}

}  // namespace vantrel
