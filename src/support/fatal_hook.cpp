#include "support/fatal_hook.h"

#include <windows.h>

namespace vantrel {
namespace {
FatalHandler g_fatalHandler = nullptr;
}

void RegisterFatalHandler(FatalHandler handler) {
    g_fatalHandler = handler;
}

void RaiseFatal(const std::wstring& message) {
    if (g_fatalHandler != nullptr)
        g_fatalHandler(message);
    // A handler must not return; if none is registered (or it did), nothing orderly is left.
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace vantrel
