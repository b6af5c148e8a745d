#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/unique_registry_key.h"

namespace vantrel {

// Value reads and writes on an open key, of any length. Each returns false (or nothing)
// with the system error code in place. Texts are written without a terminating zero.

bool WriteRegistryText(HKEY key, const wchar_t* name, std::wstring_view text, DWORD type = REG_SZ);
// 8-bit text through the 8-bit interface (the system stores it in the ANSI code page).
bool WriteRegistryText8(HKEY key, const wchar_t* name, std::string_view text);
bool WriteRegistryDword(HKEY key, const wchar_t* name, DWORD value);
bool WriteRegistryQword(HKEY key, const wchar_t* name, std::uint64_t value);
// A missing value counts as deleted.
bool DeleteRegistryValue(HKEY key, const wchar_t* name);

// A value's raw bytes and type, however long it is.
bool ReadRegistryValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data);
// A string value (REG_SZ, REG_EXPAND_SZ) as text up to its first zero; nothing when missing
// or of another type.
std::optional<std::wstring> ReadRegistryString(HKEY key, const wchar_t* name);
std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name);
std::optional<std::uint64_t> ReadRegistryQword(HKEY key, const wchar_t* name);

// A registry path text that begins with a root form ("\HKLM\", "\HKCU\", "\HKCR\", "\HKU\",
// "\HKCC\" or the long names "\HKEY_LOCAL_MACHINE\" ...): its root and the rest. Null root
// when the text has none.
HKEY SplitRegistryRoot(std::wstring_view path, std::wstring& rest);

// Opens a key; creates it (and its parents) with default security when `create` is set.
UniqueRegistryKey OpenRegistryKey(HKEY root, const std::wstring& path, REGSAM access, bool create,
                                  LSTATUS* status = nullptr);

// Deletes a key with everything under it. `view` is 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
bool DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view = 0);
// True when the key exists and holds neither subkeys nor values.
bool IsRegistryKeyEmpty(HKEY root, const std::wstring& path, REGSAM view = 0);
// Deletes a key only when it is empty.
bool DeleteEmptyRegistryKey(HKEY root, const std::wstring& path, REGSAM view = 0);

}  // namespace vantrel
