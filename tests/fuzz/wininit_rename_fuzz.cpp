// The restart file of old systems: an existing "wininit.ini" (any bytes) with one rename
// operation added. Input: the two sides of the operation and the file, separated by NUL.
#include <string_view>

#include "format/wininit_rename.h"
#include "fuzz_input.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view left = fuzz::NextPart(rest, '\0');
    const std::string_view right = fuzz::NextPart(rest, '\0');
    const std::string ini(rest);
    const std::string result = AddWininitRename(ini, left, right);

    // The operation stands on a line of its own, and taking it out again leaves the file as
    // it was, with at most a section header (and the line break before it) added at its end.
    const std::string line = "\r\n" + std::string(left) + "=" + std::string(right);
    bool found = false;
    for (std::size_t at = result.find(line); at != std::string::npos && !found;
         at = result.find(line, at + 1)) {
        const std::size_t after = at + line.size();
        if (after != result.size() && result[after] != '\r' && result[after] != '\n')
            continue;
        std::string without = result;
        without.erase(at, line.size());
        found = without == ini || without == ini + "[rename]" || without == ini + "\r\n[rename]";
    }
    FUZZ_CHECK(found);
    return 0;
}
