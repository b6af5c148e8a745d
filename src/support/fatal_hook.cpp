#include "support/fatal_hook.h"

#include <windows.h>

#include "format/text_format.h"

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

void RaiseInternalFatal(const char* module, int line) {
    const std::wstring moduleName(module, module + std::char_traits<char>::length(module));
    RaiseFatal(FormatText(L"Internal Fatal Error\r\nModule: %s\r\nLine: %d", {moduleName, line}));
}

}  // namespace vantrel
