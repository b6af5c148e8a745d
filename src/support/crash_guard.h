#pragma once

#include <cstdint>
#include <type_traits>

namespace vantrel {

// What a guarded call ended with.
struct GuardResult {
    bool crashed = false;
    std::uint32_t exceptionCode = 0;  // the structured exception's code when crashed
    const void* address = nullptr;    // where it happened
};

// Runs `body(context)` and returns whether a structured exception (an access violation, a
// division by zero, an exception a system component raised and nobody handled) ended it.
// The thread carries on after a crash as if the call had returned; objects that lived in the
// abandoned frames are not destroyed, so keep the guarded work self-contained. C++
// exceptions are not crashes: they pass through the guard unchanged. Guards nest, and any
// thread may use them.
GuardResult RunGuardedRaw(void (*body)(void* context), void* context);

// The same for any callable.
template <typename Body>
GuardResult RunGuarded(Body&& body) {
    using Callable = std::remove_reference_t<Body>;
    return RunGuardedRaw([](void* context) { (*static_cast<Callable*>(context))(); },
                         const_cast<void*>(static_cast<const void*>(&body)));
}

}  // namespace vantrel
