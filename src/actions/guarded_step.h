#pragma once

#include "support/crash_guard.h"

namespace vantrel {

// Runs one risky step (code of the product's own DLLs, shell extensions) and tells whether a
// crash ended it, so the caller can record the crash and go on with the next step. Objects
// that live inside the step are abandoned after a crash: keep them few and small.
template <typename Body>
bool StepCrashed(Body&& body) {
    return RunGuarded(body).crashed;
}

}  // namespace vantrel
