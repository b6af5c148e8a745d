#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel::test {

// Registry work for tests that prepare what another process reads, or look at what it left.

// Writes a string value, creating the key (and its parents) when missing; false on failure.
bool SetRegistryText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value);

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of any length, up to its first zero;
// nothing when it is missing or of another type. An empty name reads the default value.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key);

}  // namespace vantrel::test
