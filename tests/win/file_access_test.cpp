#include "support/file_access.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include "support/child_process.h"

namespace vantrel {
namespace {

struct UsersEntry {
    bool found = false;
    ACCESS_MASK mask = 0;
    BYTE flags = 0;
};

// The access-allowed entry of the built-in Users group in an access list.
UsersEntry UsersEntryOf(PACL acl) {
    UsersEntry result;
    BYTE sidBuffer[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sidBuffer;
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sidBuffer, &sidSize);
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(acl, i, &ace))
            continue;
        auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (EqualSid(&allowed->SidStart, sidBuffer)) {
            result.found = true;
            result.mask |= allowed->Mask;
            result.flags |= header->AceFlags;
        }
    }
    return result;
}

// Wine keeps no access lists on files, so the list that would be set is inspected.
TEST(FileAccess, UsersGetModifyRightsInheritedByTheFolderContents) {
    PACL acl = nullptr;
    ASSERT_EQ(AddUsersAccess(nullptr, kModifyRights, true, &acl), 0u);
    const UsersEntry entry = UsersEntryOf(acl);
    LocalFree(acl);
    ASSERT_TRUE(entry.found);
    EXPECT_EQ(entry.mask & FILE_GENERIC_WRITE, static_cast<ACCESS_MASK>(FILE_GENERIC_WRITE));
    EXPECT_NE(entry.mask & DELETE, 0u);
    // Modify, not full control: the permissions and the owner stay out of reach.
    EXPECT_EQ(entry.mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL), 0u);
    EXPECT_EQ(entry.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
              static_cast<BYTE>(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
}

TEST(FileAccess, GrantingModifyRightsOnAFolderSucceeds) {
    test::TempFolder folder(L"modify-rights");
    EXPECT_TRUE(GrantModifyAccess(folder.Path())) << GetLastError();
}

}  // namespace
}  // namespace vantrel
