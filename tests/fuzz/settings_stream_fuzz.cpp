// The decoded settings stream, read with the engine's hooks (no checksum test).
#include "fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::fuzz::ReadStreamLikeTheEngine({data, size}, std::nullopt);
    return 0;
}
