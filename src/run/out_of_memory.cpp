#include "run/out_of_memory.h"

#include "run/fatal_message.h"
#include "run/run_end.h"

namespace vantrel {

int ReportOutOfMemory() {
    try {
        Fatal(kOutOfMemoryText);
    } catch (const RunEnd& end) {
        return end.exitCode;
    }
}

}  // namespace vantrel
