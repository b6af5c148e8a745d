// A whole installer file as `inspect` reads it: PE headers, payload header, settings, data
// blocks, file checks.
#include "builder/inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::builder::ReadSetup(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
