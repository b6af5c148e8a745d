#include "builder/inspect.h"

namespace vantrel::builder {

int InspectSetup(const std::filesystem::path& path, std::FILE* out, std::FILE* err) {
    (void)path;
    (void)out;
    std::fputs("vantrel-build: inspect is not available in this build yet\n", err);
    return 1;
}

}  // namespace vantrel::builder
