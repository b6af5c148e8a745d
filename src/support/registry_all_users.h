#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Registry work in every user's hive at once (the "\HKAU\" root of the registry
// instructions; the product key; the uninstaller's removal of both). Paths are relative to
// a hive root; `access` is the access mask of the keys worked on, its view bits also pick
// the view of the hive roots. A hive that is not loaded cannot be reached and is passed over
// without counting as a failure. Each returns true when no reachable hive failed.

// The security identifiers of the user profiles (the subkeys of the profile list); when the
// list cannot be read, the subkeys of HKEY_USERS without ".DEFAULT" and the "_Classes" hives.
std::vector<std::wstring> UserHiveNames(REGSAM access);

bool AllUsersCreateKey(std::wstring_view path, REGSAM access);
// Creates the path and writes the value (options as RegistryKey::SetValue) in every hive.
bool AllUsersSetValue(std::wstring_view path, std::wstring_view name, DWORD type, const void* data,
                      DWORD size, REGSAM access, unsigned options);
// Deletes the value where the key exists.
bool AllUsersDeleteValue(std::wstring_view path, std::wstring_view name, REGSAM access);
// Deletes the key with the options of DeleteRegistryKey (kEmptyOnly: only empty keys).
bool AllUsersDeleteKey(std::wstring_view path, unsigned options, REGSAM access);

// Deletes a value of the key a path text names ("\HKAU\" included), opening the key with
// `openOptions` (kOpenOnly: never create it).
void DeletePathValue(std::wstring_view path, std::wstring_view name, unsigned openOptions, REGSAM access);

}  // namespace vantrel
