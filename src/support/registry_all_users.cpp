#include "support/registry_all_users.h"

#include "support/registry_key.h"
#include "support/unique_registry_key.h"

namespace vantrel {
namespace {

constexpr REGSAM kHiveRootAccess = 0x20009;  // query values, enumerate subkeys, read control

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::vector<std::wstring> SubkeyNames(HKEY root, const wchar_t* path, REGSAM access) {
    std::vector<std::wstring> names;
    UniqueRegistryKey key;
    if (RegOpenKeyExW(root, path, 0, KEY_ENUMERATE_SUB_KEYS | (access & kRegistryViewMask), key.Receive()) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG status =
            RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// Opens HKEY_USERS\<name>; false (and nothing to do) when that hive is not loaded.
bool OpenHive(const std::wstring& name, REGSAM access, UniqueRegistryKey& hive) {
    return RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, kHiveRootAccess | (access & kRegistryViewMask),
                         hive.Receive()) == ERROR_SUCCESS;
}

template <class Work>
bool ForEachHive(REGSAM access, Work&& work) {
    bool allDone = true;
    DWORD firstError = ERROR_SUCCESS;
    for (const std::wstring& name : UserHiveNames(access)) {
        UniqueRegistryKey hive;
        if (!OpenHive(name, access, hive))
            continue;
        if (!work(hive.Get())) {
            if (allDone)
                firstError = GetLastError();
            allDone = false;
        }
    }
    SetLastError(firstError);
    return allDone;
}

}  // namespace

std::vector<std::wstring> UserHiveNames(REGSAM access) {
    UniqueRegistryKey profiles;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                      KEY_ENUMERATE_SUB_KEYS | (access & kRegistryViewMask),
                      profiles.Receive()) == ERROR_SUCCESS) {
        profiles.Reset();
        return SubkeyNames(HKEY_LOCAL_MACHINE,
                           L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", access);
    }
    std::vector<std::wstring> names;
    for (std::wstring& name : SubkeyNames(HKEY_USERS, nullptr, access))
        if (CompareStringOrdinal(name.c_str(), -1, L".DEFAULT", -1, TRUE) != CSTR_EQUAL &&
            !EndsWith(name, L"_Classes"))
            names.push_back(std::move(name));
    return names;
}

bool AllUsersCreateKey(std::wstring_view path, REGSAM access) {
    return ForEachHive(access, [&](HKEY hive) {
        RegistryKey key;
        return key.Open(hive, path, 0, access) != RegistryOpen::kFailed;
    });
}

bool AllUsersSetValue(std::wstring_view path, std::wstring_view name, DWORD type, const void* data,
                      DWORD size, REGSAM access, unsigned options) {
    return ForEachHive(access, [&](HKEY hive) {
        RegistryKey key;
        return key.Open(hive, path, 0, access) != RegistryOpen::kFailed &&
               key.SetValue(name, type, data, size, options);
    });
}

bool AllUsersDeleteValue(std::wstring_view path, std::wstring_view name, REGSAM access) {
    return ForEachHive(access, [&](HKEY hive) {
        RegistryKey key;
        if (key.Open(hive, path, registry_option::kOpenOnly, access) == RegistryOpen::kFailed)
            return true;  // no such key in this hive
        return key.DeleteValue(name) != RegistryKey::kDeleteFailed;
    });
}

bool AllUsersDeleteKey(std::wstring_view path, unsigned options, REGSAM access) {
    return ForEachHive(access, [&](HKEY hive) {
        if (DeleteRegistryKey(hive, path, options, access))
            return true;
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND;
    });
}

void DeletePathValue(std::wstring_view path, std::wstring_view name, unsigned openOptions, REGSAM access) {
    if (IsAllUsersPath(path)) {
        AllUsersDeleteValue(path.substr(kAllUsersRoot.size()), name, access);
        return;
    }
    RegistryKey key;
    if (key.OpenPath(path, openOptions, access) != RegistryOpen::kFailed)
        key.DeleteValue(name);
}

}  // namespace vantrel
