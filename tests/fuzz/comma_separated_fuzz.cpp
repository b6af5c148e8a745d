// The 8-bit comma-separated records of the engine's own files (the uninstaller's sections,
// the payload's lists): split as a whole text and as one record; a record joined again by
// the writer must split into the same fields.
#include <string_view>

#include "format/comma_separated.h"
#include "fuzz_input.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::vector<std::string>& record : SplitCommaRecords(text))
        FUZZ_CHECK(SplitCommaRecord(JoinCommaRecord(record)) == record);
    const std::vector<std::string> fields = SplitCommaRecord(text);
    FUZZ_CHECK(SplitCommaRecord(JoinCommaRecord(fields)) == fields);

    // The UTF-16 writer's single field comes back as itself.
    std::wstring wide(text.begin(), text.end());
    FUZZ_CHECK(SplitCommaRecord(std::wstring_view(CommaSeparatedField(wide))) ==
               std::vector<std::wstring>{wide});
    return 0;
}
