// The registry-instruction text (UTF-16, comma-separated records) as the registry step and
// the uninstaller read it: every record with the text it came from, and the bytes each value
// record writes. Written again, the instructions must read back the same.
#include "format/comma_separated.h"
#include "format/registry_instructions.h"
#include "fuzz_input.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzz::WideFromUnits(data, size);

    // Each record's own text holds the whole record: read alone, it gives the same fields.
    const std::vector<WideCommaRecord> records = SplitCommaRecordsWithText(text);
    const std::vector<std::vector<std::wstring>> fields = SplitCommaRecords(std::wstring_view(text));
    FUZZ_CHECK(records.size() == fields.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(records[i].fields == fields[i]);
        FUZZ_CHECK(SplitCommaRecord(std::wstring_view(records[i].text)) == fields[i]);
    }

    std::vector<RegistryInstruction> instructions;
    for (const RegistryRecord& record : ReadRegistryRecords(text)) {
        if (record.shape == RegistryRecord::Shape::kIllegal)
            continue;
        if (record.shape == RegistryRecord::Shape::kValue) {
            const std::vector<std::uint8_t> bytes =
                RegistryValueBytes(record.instruction.type, record.instruction.data);
            if (record.instruction.type == registry_type::kDword)
                FUZZ_CHECK(bytes.size() == 4);
            if (record.instruction.type == registry_type::kQword)
                FUZZ_CHECK(bytes.size() == 8);
        }
        instructions.push_back(record.instruction);
    }
    FUZZ_CHECK(ReadRegistryInstructions(text) == instructions);
    FUZZ_CHECK(ReadRegistryInstructions(WriteRegistryInstructions(instructions)) == instructions);
    return 0;
}
