#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel::test {

// Registry reads for the process tests, which look at what another process left.

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of any length, up to its first zero;
// nothing when it is missing or of another type. An empty name reads the default value.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key);

}  // namespace vantrel::test
