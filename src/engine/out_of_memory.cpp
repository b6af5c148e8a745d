#include "engine/out_of_memory.h"

#include "engine/fatal_message.h"

namespace vantrel {

int ReportOutOfMemory() {
    try {
        Fatal(kOutOfMemoryText);
    } catch (const RunEnd& end) {
        return end.exitCode;
    }
}

}  // namespace vantrel
