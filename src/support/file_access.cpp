#include "support/file_access.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "support/unique_handle.h"
#include "support/unique_memory.h"

namespace vantrel {
namespace {

// Enables privileges for its lifetime and restores the previous state afterwards.
class ScopedPrivileges {
  public:
    explicit ScopedPrivileges(std::initializer_list<const wchar_t*> names) {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
            return;
        token_.Reset(raw);
        std::vector<BYTE> buffer(sizeof(TOKEN_PRIVILEGES) + names.size() * sizeof(LUID_AND_ATTRIBUTES));
        auto* wanted = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
        DWORD count = 0;
        for (const wchar_t* name : names) {
            if (LookupPrivilegeValueW(nullptr, name, &wanted->Privileges[count].Luid)) {
                wanted->Privileges[count].Attributes = SE_PRIVILEGE_ENABLED;
                ++count;
            }
        }
        wanted->PrivilegeCount = count;
        if (count == 0)
            return;
        previous_.resize(buffer.size());
        DWORD returned = 0;
        if (AdjustTokenPrivileges(token_.Get(), FALSE, wanted, static_cast<DWORD>(previous_.size()),
                                  reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()), &returned)) {
            adjusted_ = true;
        }
    }
    ~ScopedPrivileges() {
        if (adjusted_) {
            const DWORD error = GetLastError();
            AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()),
                                  0, nullptr, nullptr);
            SetLastError(error);
        }
    }
    ScopedPrivileges(const ScopedPrivileges&) = delete;
    ScopedPrivileges& operator=(const ScopedPrivileges&) = delete;

  private:
    UniqueHandle token_;
    std::vector<BYTE> previous_;
    bool adjusted_ = false;
};

}  // namespace

bool ClearProtectingAttributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD protecting = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((attributes & protecting) == 0)
        return true;
    DWORD cleared = attributes & ~protecting;
    if (cleared == 0)
        cleared = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(path.c_str(), cleared) != FALSE;
}

DWORD AddUsersAccess(PACL existing, unsigned long rights, bool inherited, PACL* result) {
    PSID users = nullptr;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0,
                                  0, 0, 0, 0, &users)) {
        return GetLastError();
    }
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = inherited ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(users);
    const DWORD error = SetEntriesInAclW(1, &access, existing, result);
    FreeSid(users);
    return error;
}

namespace {

bool GrantUsersAccess(const std::wstring& path, DWORD rights) {
    ScopedPrivileges privileges({SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME});
    PACL oldAcl = nullptr;
    UniqueLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    DWORD result = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, &oldAcl, nullptr, descriptor.Receive());
    if (result == ERROR_SUCCESS) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        UniqueLocalMemory<PACL> newAcl;
        result = AddUsersAccess(oldAcl, rights, folder, newAcl.Receive());
        if (result == ERROR_SUCCESS) {
            std::wstring writable = path;
            result = SetNamedSecurityInfoW(writable.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, newAcl.Get(), nullptr);
        }
    }
    SetLastError(result);
    return result == ERROR_SUCCESS;
}

}  // namespace

bool GrantFullAccess(const std::wstring& path) {
    return GrantUsersAccess(path, GENERIC_ALL);
}

bool GrantModifyAccess(const std::wstring& path) {
    return GrantUsersAccess(path, kModifyRights);
}

}  // namespace vantrel
