// The standard library reports a misuse (a vector grown past its largest size, a bad index,
// an empty std::function called) by throwing an exception object built from a message.
// Its own versions of these routines pull in the exception classes, their copy-on-write
// strings and a formatter, about 85 KB of the engine. For the engine such a fault is an
// internal error: it ends the run through the fatal-message routine, which unwinds to the
// entry point so that every exit path still cleans up. Allocation failures stay
// std::bad_alloc, the same object that operator new throws.
//
// This file goes into the engine executable only: the Windows tests link the engine
// library with the standard routines, where gtest expects the usual exceptions.
#include <bits/functexcept.h>

#include <functional>
#include <new>
#include <string>

#include "support/fatal_hook.h"

namespace {

// The text of an internal assertion, with the library's own description as the module.
[[noreturn]] void InternalFatal(const char* where) {
    const std::wstring module(where, where + std::char_traits<char>::length(where));
    vantrel::RaiseFatal(L"Internal Fatal Error\r\nModule: " + module + L"\r\nLine: 0");
}

}  // namespace

namespace std {

void __throw_bad_alloc() {
    throw std::bad_alloc();
}

void __throw_bad_array_new_length() {
    throw std::bad_alloc();
}

void __throw_length_error(const char* what) {
    InternalFatal(what);
}

void __throw_logic_error(const char* what) {
    InternalFatal(what);
}

void __throw_out_of_range_fmt(const char* format, ...) {
    InternalFatal(format);
}

void __throw_bad_function_call() {
    InternalFatal("std::function");
}

}  // namespace std
