// An icon file as the builder takes it apart into resources: every image it hands on lies
// inside the file, and the group directory lists each one.
#include <span>

#include "format/icon_group.h"
#include "fuzz_input.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto resources = SplitIconFile(file, 1);
    if (!resources)
        return 0;
    FUZZ_CHECK(!resources->images.empty());
    FUZZ_CHECK(resources->groupDirectory.size() == 6 + 14 * resources->images.size());
    for (const std::span<const std::uint8_t> image : resources->images) {
        FUZZ_CHECK(image.data() >= data && image.data() + image.size() <= data + size);
    }
    return 0;
}
