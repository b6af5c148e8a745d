#include "support/registry_all_users.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "actions/registry_step.h"
#include "context/failure_list.h"
#include "registry_test_keys.h"
#include "support/child_process.h"
#include "uninstall/registry_script_removal.h"

namespace vantrel {
namespace {

constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr wchar_t kLoadedSid[] = L"S-1-5-21-1111-2222-3333-9001";
constexpr wchar_t kUnloadedSid[] = L"S-1-5-21-1111-2222-3333-9002";

void EnablePrivilege(const wchar_t* name) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

// A second user: a hive file loaded under HKEY_USERS and listed as a profile, beside a
// listed profile whose hive is not loaded (a user who is not logged on).
class SecondUserHive : public ::testing::Test {
  protected:
    void SetUp() override {
        EnablePrivilege(SE_BACKUP_NAME);
        EnablePrivilege(SE_RESTORE_NAME);
        const std::wstring hiveFile = folder_.Path() + L"\\second.hive";
        test::WriteText(HKEY_CURRENT_USER, source_.Path(), L"Marker", L"second user");
        HKEY source = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, source_.Path().c_str(), 0, KEY_READ, &source),
                  ERROR_SUCCESS);
        const LONG saved = RegSaveKeyW(source, hiveFile.c_str(), nullptr);
        RegCloseKey(source);
        ASSERT_EQ(saved, ERROR_SUCCESS);
        ASSERT_EQ(RegLoadKeyW(HKEY_USERS, kLoadedSid, hiveFile.c_str()), ERROR_SUCCESS);
        loaded_ = true;
        for (const wchar_t* sid : {kLoadedSid, kUnloadedSid})
            test::WriteText(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + sid, L"ProfileImagePath",
                            L"C:\\users\\nobody");
        ASSERT_TRUE(test::KeyExists(HKEY_USERS, std::wstring(kLoadedSid) + L"\\Marker") ||
                    test::ReadStoredValue(HKEY_USERS, kLoadedSid, L"Marker").present);
        ownSid_ = OwnHive();
        ASSERT_FALSE(ownSid_.empty());
    }

    void TearDown() override {
        DeleteRegistryKey(HKEY_USERS, ownSid_ + L"\\Software\\VantrelTests\\AllUsers", 0, 0);
        for (const wchar_t* sid : {kLoadedSid, kUnloadedSid})
            DeleteRegistryKey(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + sid, 0, 0);
        if (loaded_)
            RegUnLoadKeyW(HKEY_USERS, kLoadedSid);
    }

    // The current user's own hive among the profiles (not the test's).
    static std::wstring OwnHive() {
        for (const std::wstring& name : UserHiveNames(0))
            if (name != kLoadedSid && name != kUnloadedSid && test::KeyExists(HKEY_USERS, name))
                return name;
        return {};
    }

    static std::wstring InHive(const std::wstring& sid, const std::wstring& path) {
        return sid + L"\\" + path;
    }

    test::TempFolder folder_{L"registry-all-users"};
    test::ScratchKey source_{L"HiveSource"};
    bool loaded_ = false;
    std::wstring ownSid_;
};

TEST_F(SecondUserHive, ProfilesListsBothAndTheUnloadedOneIsPassedOver) {
    const std::vector<std::wstring> names = UserHiveNames(0);
    EXPECT_NE(std::find(names.begin(), names.end(), kLoadedSid), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), kUnloadedSid), names.end());

    const std::wstring path = L"Software\\VantrelTests\\AllUsers";
    const std::wstring text = L"every";
    EXPECT_TRUE(AllUsersSetValue(path, L"V", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() * 2),
                                 kRegistryStepAccess, 0));
    EXPECT_TRUE(test::ReadStoredValue(HKEY_USERS, InHive(ownSid_, path), L"V").present);
    EXPECT_TRUE(test::ReadStoredValue(HKEY_USERS, InHive(kLoadedSid, path), L"V").present);
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, kUnloadedSid));

    // The same through the instructions, then their removal at uninstallation.
    FailureList failures;
    ApplyRegistryInstructions(
        L"\\HKAU\\Software\\VantrelTests\\AllUsers\\Made\r\n"
        L"\\HKAU\\Software\\VantrelTests\\AllUsers,W,4,7,3\r\n",
        RegistryStepAccess(false), nullptr, failures);
    EXPECT_EQ(failures.Text(), L"");
    for (const std::wstring& sid : {ownSid_, std::wstring(kLoadedSid)}) {
        EXPECT_TRUE(test::KeyExists(HKEY_USERS, InHive(sid, path + L"\\Made")));
        EXPECT_EQ(test::ReadStoredValue(HKEY_USERS, InHive(sid, path), L"W").bytes,
                  (std::vector<std::uint8_t>{7, 0, 0, 0}));
    }
    RemoveRegistryScript(
        "\\HKAU\\Software\\VantrelTests\\AllUsers\\Made\r\n"
        "\\HKAU\\Software\\VantrelTests\\AllUsers,W,4,7,3\r\n",
        false);
    for (const std::wstring& sid : {ownSid_, std::wstring(kLoadedSid)}) {
        EXPECT_FALSE(test::KeyExists(HKEY_USERS, InHive(sid, path + L"\\Made")));
        EXPECT_FALSE(test::ReadStoredValue(HKEY_USERS, InHive(sid, path), L"W").present);
        EXPECT_TRUE(test::ReadStoredValue(HKEY_USERS, InHive(sid, path), L"V").present);
    }

    EXPECT_TRUE(AllUsersDeleteValue(path, L"V", kRegistryStepAccess));
    EXPECT_FALSE(test::ReadStoredValue(HKEY_USERS, InHive(kLoadedSid, path), L"V").present);
    EXPECT_TRUE(AllUsersDeleteKey(path, registry_option::kEmptyOnly, kRegistryStepAccess));
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, InHive(kLoadedSid, path)));
    EXPECT_FALSE(test::KeyExists(HKEY_USERS, InHive(ownSid_, path)));
}

}  // namespace
}  // namespace vantrel
