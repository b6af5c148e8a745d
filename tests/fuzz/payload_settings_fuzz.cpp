// A payload section as stored: header, settings block, settings stream, in the engine's
// order. Checksums and xz are as the input has them.
#include "fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::fuzz::ReadSectionLikeTheEngine({data, size});
    return 0;
}
