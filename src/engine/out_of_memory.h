#pragma once

#include <new>

#include "engine/run_end.h"

namespace vantrel {

// The fatal message for memory that ran out.
inline constexpr wchar_t kOutOfMemoryText[] =
    L"Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.";

// Shows the out-of-memory fatal message through the registered routine; returns the exit
// code the run then ends with.
int ReportOutOfMemory();

// Runs the body of a run and returns its exit code: the body's own, the code of the RunEnd
// that ended it, or, when an allocation failed somewhere inside, the code after the
// out-of-memory fatal message. By then the unwinding has released what the run held, so
// the message can still be shown, and the run still ends through its exit steps instead of
// crashing.
template <typename Body>
int RunToItsEnd(Body&& body) {
    try {
        return body();
    } catch (const RunEnd& end) {
        return end.exitCode;
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory();
    }
}

}  // namespace vantrel
