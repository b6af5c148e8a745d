#pragma once

#include <windows.h>

#include <string>

namespace vantrel::test {

// Writes a string value, creating the key (and its parents) when missing; false on failure.
bool SetRegistryText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value);

}  // namespace vantrel::test
