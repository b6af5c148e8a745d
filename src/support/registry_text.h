#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded) read as text; empty when the key or
// value is missing or of another type. `access` may add KEY_WOW64_64KEY or KEY_WOW64_32KEY.
std::wstring ReadRegistryText(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, REGSAM access = 0);

}  // namespace vantrel
