#include "support/registry_key.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>

#include "registry_test_keys.h"

namespace vantrel {
namespace {

TEST(RegistryRoots, PrefixWithAndWithoutFinalBackslashAnyCase) {
    HKEY root = nullptr;
    std::wstring_view subkey;
    ASSERT_TRUE(FindRegistryRoot(L"\\hklm\\Software\\A", root, subkey));
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(subkey, L"Software\\A");
    ASSERT_TRUE(FindRegistryRoot(L"\\HKLM", root, subkey));
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(subkey, L"");
    ASSERT_TRUE(FindRegistryRoot(L"\\HKU\\S-1", root, subkey));
    EXPECT_EQ(root, HKEY_USERS);
    EXPECT_EQ(subkey, L"S-1");
    ASSERT_TRUE(FindRegistryRoot(L"\\HKCRx", root, subkey));  // the short form alone also matches
    EXPECT_EQ(root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(subkey, L"x");
    EXPECT_FALSE(FindRegistryRoot(L"\\HKAU\\Software", root, subkey));
    EXPECT_FALSE(FindRegistryRoot(L"HKLM\\Software", root, subkey));
    EXPECT_TRUE(IsAllUsersPath(L"\\HKAU\\Software"));
    EXPECT_FALSE(IsAllUsersPath(L"\\hkau\\Software"));
}

TEST(RegistryRoots, LongNamesBetweenBackslashesOnlyWhereAskedFor) {
    HKEY root = nullptr;
    std::wstring_view subkey;
    EXPECT_FALSE(FindRegistryRoot(L"\\HKEY_CURRENT_USER\\Software", root, subkey));
    ASSERT_TRUE(FindRegistryRootOrLongName(L"\\hkey_current_user\\Software\\A", root, subkey));
    EXPECT_EQ(root, HKEY_CURRENT_USER);
    EXPECT_EQ(subkey, L"Software\\A");
    ASSERT_TRUE(FindRegistryRootOrLongName(L"\\HKLM\\Software", root, subkey));
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(subkey, L"Software");
    // A long name needs its backslashes; the dynamic-data root has no long name.
    EXPECT_FALSE(FindRegistryRootOrLongName(L"HKEY_USERS\\S-1", root, subkey));
    EXPECT_FALSE(FindRegistryRootOrLongName(L"\\HKEY_DYN_DATA\\X", root, subkey));
}

TEST(RegistryKey, OpenResultsStackAndDisplayPath) {
    test::ScratchKey scratch(L"KeyStack");
    RegistryKey key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path(), registry_option::kOpenOnly, kRegistryStepAccess),
              RegistryOpen::kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kCreated);
    EXPECT_EQ(key.DisplayPath(), L"HKEY_CURRENT_USER\\" + scratch.Path() + L"\\");
    EXPECT_EQ(key.OpenRelative(L"Sub", 0, kRegistryStepAccess), RegistryOpen::kCreated);
    EXPECT_EQ(key.DisplayPath(), L"HKEY_CURRENT_USER\\" + scratch.Path() + L"\\Sub\\");
    key.Close();
    EXPECT_EQ(key.DisplayPath(), L"HKEY_CURRENT_USER\\" + scratch.Path() + L"\\");
    EXPECT_EQ(key.OpenPath(scratch.InstructionPath() + L"\\Sub", registry_option::kReplaceCurrent,
                           kRegistryStepAccess),
              RegistryOpen::kOpened);
    key.Close();  // the replaced key is gone with it
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.OpenPath(L"\\XX\\Software", 0, kRegistryStepAccess), RegistryOpen::kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
}

TEST(RegistryKey, ValuesWithoutTerminatorKeepExistingAndDelete) {
    test::ScratchKey scratch(L"KeyValues");
    RegistryKey key;
    ASSERT_NE(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kFailed);
    // The size given leaves the terminator out; the system stores one after the text (Windows
    // and Wine alike), and never reads past our data to decide it.
    ASSERT_TRUE(key.SetText(L"Text", std::wstring_view(L"abcd", 3)));
    EXPECT_EQ(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Text").bytes,
              test::Utf16Bytes(std::wstring(L"abc") + L'\0'));
    ASSERT_TRUE(key.SetText(L"Text", L"new", registry_option::kKeepExisting));
    std::wstring text;
    ASSERT_TRUE(key.ReadText(L"Text", text));
    EXPECT_EQ(text, L"abc");
    ASSERT_TRUE(key.SetTextAnsi("Ansi", "xy"));
    EXPECT_EQ(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Ansi").type,
              static_cast<DWORD>(REG_SZ));
    ASSERT_TRUE(key.ReadText(L"Ansi", text));
    EXPECT_EQ(text, L"xy");
    EXPECT_EQ(key.DeleteValue(L"Text"), RegistryKey::kDeleted);
    EXPECT_EQ(key.DeleteValue(L"Text"), RegistryKey::kNotThere);
    EXPECT_FALSE(key.HasValue(L"Text"));
}

TEST(RegistryKey, NumbersAndRawValuesOfAnyLengthReadBackOnlyAsTheirOwnType) {
    test::ScratchKey scratch(L"KeyNumbers");
    RegistryKey key;
    ASSERT_NE(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kFailed);
    ASSERT_TRUE(key.SetNumber(L"Dword", 0x12345678));
    ASSERT_TRUE(key.SetQword(L"Qword", 0x0123456789ABCDEFull));
    ASSERT_TRUE(key.SetNumber(L"Dword", 7, registry_option::kKeepExisting));
    EXPECT_EQ(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Dword").bytes,
              (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
    DWORD number = 0;
    std::uint64_t wide = 0;
    EXPECT_TRUE(key.ReadNumber(L"Dword", number));
    EXPECT_EQ(number, 0x12345678u);
    EXPECT_TRUE(key.ReadQword(L"Qword", wide));
    EXPECT_EQ(wide, 0x0123456789ABCDEFull);
    // A number of the other width, a text or a missing value is no number.
    EXPECT_FALSE(key.ReadNumber(L"Qword", number));
    EXPECT_FALSE(key.ReadQword(L"Dword", wide));
    ASSERT_TRUE(key.SetText(L"Text", L"12"));
    EXPECT_FALSE(key.ReadNumber(L"Text", number));
    EXPECT_FALSE(key.ReadNumber(L"Missing", number));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // A value far longer than any fixed buffer, with what follows its first zero.
    std::wstring longText(40000, L'x');
    longText += L'\0';
    longText += L"tail";
    longText += L'\0';
    ASSERT_TRUE(key.SetValue(L"Long", REG_EXPAND_SZ, longText.data(),
                             static_cast<DWORD>(longText.size() * sizeof(wchar_t))));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(key.ReadValue(L"Long", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(data, test::Utf16Bytes(longText));
    EXPECT_FALSE(key.ReadValue(L"Missing", type, data));
    EXPECT_TRUE(data.empty());
}

TEST(RegistryKey, DeleteKeyEmptyOnlyOrWithSubkeys) {
    test::ScratchKey scratch(L"KeyDelete");
    RegistryKey key;
    ASSERT_NE(key.Open(HKEY_CURRENT_USER, scratch.Path() + L"\\Full\\Deep\\Deeper", 0, kRegistryStepAccess),
              RegistryOpen::kFailed);
    key.Close();
    ASSERT_NE(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kFailed);
    EXPECT_FALSE(key.DeleteKey(L"Full", registry_option::kEmptyOnly));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Full\\Deep\\Deeper"));
    EXPECT_TRUE(key.DeleteKey(L"Full\\Deep\\Deeper", registry_option::kEmptyOnly));
    EXPECT_TRUE(key.DeleteKey(L"Full", 0));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Full"));
}

// The access list of a key as (trustee is everyone, mask) pairs.
struct AccessEntry {
    WELL_KNOWN_SID_TYPE who;
    ACCESS_MASK mask;
};

std::vector<AccessEntry> ReadAccessList(const std::wstring& path) {
    std::vector<AccessEntry> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return entries;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> buffer(size);
    if (size != 0 &&
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size) == ERROR_SUCCESS) {
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL acl = nullptr;
        if (GetSecurityDescriptorDacl(buffer.data(), &present, &acl, &defaulted) && present &&
            acl != nullptr) {
            for (DWORD index = 0; index < acl->AceCount; ++index) {
                void* ace = nullptr;
                if (!GetAce(acl, index, &ace))
                    continue;
                const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
                if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
                    continue;
                PSID sid = const_cast<DWORD*>(&allowed->SidStart);
                WELL_KNOWN_SID_TYPE who = WinNullSid;
                for (const WELL_KNOWN_SID_TYPE type :
                     {WinWorldSid, WinBuiltinAdministratorsSid, WinLocalSystemSid})
                    if (IsWellKnownSid(sid, type))
                        who = type;
                entries.push_back({who, allowed->Mask});
            }
        }
    }
    RegCloseKey(key);
    return entries;
}

TEST(RegistryKey, CreatedKeysLetEveryoneReadAndWriteButNotRepermissionOrDelete) {
    test::ScratchKey scratch(L"KeySecurity");
    {
        RegistryKey key;
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess),
                  RegistryOpen::kCreated);
    }
    const std::vector<AccessEntry> entries = ReadAccessList(scratch.Path());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].who, WinWorldSid);
    EXPECT_EQ(entries[0].mask, static_cast<ACCESS_MASK>(KEY_READ | KEY_WRITE));
    EXPECT_EQ(entries[0].mask & (WRITE_DAC | WRITE_OWNER | DELETE), 0u);
    EXPECT_EQ(
        entries[0].mask & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS),
        static_cast<ACCESS_MASK>(KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_QUERY_VALUE |
                                 KEY_ENUMERATE_SUB_KEYS));
    EXPECT_EQ(entries[1].who, WinBuiltinAdministratorsSid);
    EXPECT_EQ(entries[1].mask, static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));
    EXPECT_EQ(entries[2].who, WinLocalSystemSid);
    EXPECT_EQ(entries[2].mask, static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));

    // Opening it again leaves its security as it is; the default-security option gives none of it.
    {
        RegistryKey key;
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path(), 0, kRegistryStepAccess), RegistryOpen::kOpened);
        ASSERT_EQ(key.OpenRelative(L"Plain", registry_option::kDefaultSecurity, kRegistryStepAccess),
                  RegistryOpen::kCreated);
    }
    EXPECT_EQ(ReadAccessList(scratch.Path()).size(), 3u);
    for (const AccessEntry& entry : ReadAccessList(scratch.Path() + L"\\Plain"))
        EXPECT_FALSE(entry.who == WinWorldSid &&
                     entry.mask == static_cast<ACCESS_MASK>(KEY_READ | KEY_WRITE));
}

}  // namespace
}  // namespace vantrel
