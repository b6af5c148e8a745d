#pragma once

#include <string>

namespace vantrel {

// The support library ends the run through whatever routine the engine registers, so that
// library-level faults still show the engine's message and unwind to main.
using FatalHandler = void (*)(const std::wstring& message);

void RegisterFatalHandler(FatalHandler handler);

// Ends the run with a message through the registered routine; with none registered the
// process ends at once with -1.
[[noreturn]] void RaiseFatal(const std::wstring& message);

}  // namespace vantrel
