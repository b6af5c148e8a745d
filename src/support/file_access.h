#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// Clears the read-only, hidden and system attributes of a file or folder.
bool ClearProtectingAttributes(const std::wstring& path);

// Gives the local Users group full access to a file or folder (inherited by a folder's
// contents), added to the access list it already has. The take-ownership and restore
// privileges are enabled while it works and put back as they were afterwards. Returns false
// with the system error code in place on failure.
bool GrantFullAccess(const std::wstring& path);
// The same with modify rights only (read, write, run, delete; no permission changes), for
// folders that every user of the machine must be able to write to.
bool GrantModifyAccess(const std::wstring& path);

// Read, write, run and delete: what "modify" means, without the right to change the
// permissions or to take ownership.
inline constexpr unsigned long kModifyRights =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// An access list made of `existing` (may be null) and an entry that allows the built-in
// Users group `rights`, inherited by files and subfolders when `inherited`. The result is
// freed with LocalFree; returns the system error code (0 on success).
DWORD AddUsersAccess(PACL existing, unsigned long rights, bool inherited, PACL* result);

}  // namespace vantrel
