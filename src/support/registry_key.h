#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/unique_registry_key.h"

namespace vantrel {

// Options of the RegistryKey operations (bits, combined freely).
namespace registry_option {
// Replace the current key instead of keeping it on the stack.
inline constexpr unsigned kReplaceCurrent = 0x1;
// Show a "Registry Error" message box with the system's text when opening fails.
inline constexpr unsigned kShowError = 0x10;
// Delete a key only when it has no subkeys and no values.
inline constexpr unsigned kEmptyOnly = 0x20;
// Open an existing key only; never create it.
inline constexpr unsigned kOpenOnly = 0x40;
// Give a created key the default security instead of the shared-key descriptor.
inline constexpr unsigned kDefaultSecurity = 0x800;
// Leave a value alone when the key already has a value of that name.
inline constexpr unsigned kKeepExisting = 0x8000;
}  // namespace registry_option

// What an open reports.
enum class RegistryOpen { kFailed = 0, kOpened = 1, kCreated = 2 };

// The access the action steps use: query and set values, create and enumerate subkeys, read
// the security; and the part of an access mask that picks a registry view.
inline constexpr REGSAM kRegistryStepAccess = 0x2000F;
inline constexpr REGSAM kRegistryViewMask = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

// The pseudo-root of every user hive. Callers test it before the roots, as an exact prefix.
inline constexpr std::wstring_view kAllUsersRoot = L"\\HKAU\\";
bool IsAllUsersPath(std::wstring_view path);

// Finds the root a path text names ("\HKLM\Software\X", also "\hklm\..." and "\HKLM"
// alone) and the subkey path after it. False when no root matches.
bool FindRegistryRoot(std::wstring_view path, HKEY& root, std::wstring_view& subkey);

// The same, and also the long root names between backslashes ("\HKEY_CURRENT_USER\Software"),
// for texts that people write rather than the registry instructions.
bool FindRegistryRootOrLongName(std::wstring_view path, HKEY& root, std::wstring_view& subkey);

// The long name of a root followed by a backslash ("HKEY_LOCAL_MACHINE\"); empty for the
// roots without one.
std::wstring_view RegistryRootDisplayName(HKEY root);

// The security created keys receive: everyone may read and write values and create and
// enumerate subkeys (programs keep per-user settings there without elevation), but only
// administrators and the system may delete the key or change its owner or permissions.
class SharedKeySecurity {
  public:
    SharedKeySecurity();
    SharedKeySecurity(const SharedKeySecurity&) = delete;
    SharedKeySecurity& operator=(const SharedKeySecurity&) = delete;
    // Null when it could not be built.
    PSECURITY_DESCRIPTOR Descriptor() { return built_ ? &descriptor_ : nullptr; }

  private:
    SECURITY_DESCRIPTOR descriptor_{};
    std::vector<BYTE> acl_;
    BYTE everyone_[SECURITY_MAX_SID_SIZE]{};
    BYTE administrators_[SECURITY_MAX_SID_SIZE]{};
    BYTE system_[SECURITY_MAX_SID_SIZE]{};
    bool built_ = false;
};

// What everyone may do with a created key.
inline constexpr ACCESS_MASK kSharedKeyEveryoneAccess = KEY_READ | KEY_WRITE;

// One open registry key with the keys opened before it. Opening pushes the current key
// (unless kReplaceCurrent); Close restores the one below. Every operation leaves the
// system's error code in place when it fails.
class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    RegistryOpen Open(HKEY root, std::wstring_view subkey, unsigned options, REGSAM access);
    // A path text beginning with a root form; ERROR_BAD_PATHNAME when it names no root.
    RegistryOpen OpenPath(std::wstring_view path, unsigned options, REGSAM access);
    // A subkey of the current key.
    RegistryOpen OpenRelative(std::wstring_view subkey, unsigned options, REGSAM access);
    void Close();

    bool IsOpen() const { return !stack_.empty(); }
    HKEY Handle() const { return stack_.empty() ? nullptr : stack_.back().key.Get(); }
    // The long root name and the subkey path, ending in a backslash (for messages).
    std::wstring DisplayPath() const { return stack_.empty() ? std::wstring() : stack_.back().displayPath; }

    bool SetValue(std::wstring_view name, DWORD type, const void* data, DWORD size, unsigned options = 0);
    // A REG_SZ value without a terminating zero.
    bool SetText(std::wstring_view name, std::wstring_view text, unsigned options = 0);
    // The same through the 8-bit interface (name and text in the ANSI code page).
    bool SetTextAnsi(std::string_view name, std::string_view text);
    bool SetNumber(std::wstring_view name, DWORD value, unsigned options = 0);
    bool SetQword(std::wstring_view name, std::uint64_t value, unsigned options = 0);
    // A value's type and raw bytes, however long it is (it may grow while it is read).
    bool ReadValue(std::wstring_view name, DWORD& type, std::vector<BYTE>& data) const;
    // A REG_DWORD or REG_QWORD value; false when missing or of another type.
    bool ReadNumber(std::wstring_view name, DWORD& value) const;
    bool ReadQword(std::wstring_view name, std::uint64_t& value) const;
    // A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) up to its first zero; false when
    // missing or of another type.
    bool ReadText(std::wstring_view name, std::wstring& text) const;
    bool HasValue(std::wstring_view name) const;
    // Results of DeleteValue.
    enum DeleteResult { kDeleted = 1, kNotThere = 2, kDeleteFailed = 3 };
    DeleteResult DeleteValue(std::wstring_view name);
    // Deletes a subkey of the current key (the current key itself with an empty name is not
    // allowed). Without kEmptyOnly its subkeys go first.
    bool DeleteKey(std::wstring_view subkey, unsigned options);
    // Counts of the current key; false when they cannot be read.
    bool Counts(DWORD& subkeys, DWORD& values) const;
    bool IsEmpty() const;

  private:
    struct Level {
        UniqueRegistryKey key;
        std::wstring displayPath;
        REGSAM view = 0;
    };
    RegistryOpen OpenFrom(HKEY parent, std::wstring_view subkey, std::wstring displayPath, unsigned options,
                          REGSAM access);

    std::vector<Level> stack_;
};

// Deletes `subkey` of `parent` with the view bits of `access`; without kEmptyOnly its
// subkeys go first, with it the key must be empty (ERROR_DIR_NOT_EMPTY otherwise).
bool DeleteRegistryKey(HKEY parent, std::wstring_view subkey, unsigned options, REGSAM access);

}  // namespace vantrel
