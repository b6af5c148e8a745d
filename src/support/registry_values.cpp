#include "support/registry_values.h"

#include <array>
#include <cstring>

namespace vantrel {
namespace {

bool Succeeded(LSTATUS status) {
    if (status == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

}  // namespace

bool WriteRegistryText(HKEY key, const wchar_t* name, std::wstring_view text, DWORD type) {
    return Succeeded(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.data()),
                                    static_cast<DWORD>(text.size() * sizeof(wchar_t))));
}

bool WriteRegistryText8(HKEY key, const wchar_t* name, std::string_view text) {
    // The 8-bit interface needs an 8-bit name; value names here are ASCII.
    std::string narrowName;
    for (const wchar_t* c = name; c != nullptr && *c != 0; ++c)
        narrowName.push_back(static_cast<char>(*c));
    return Succeeded(RegSetValueExA(key, name ? narrowName.c_str() : nullptr, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.data()),
                                    static_cast<DWORD>(text.size())));
}

bool WriteRegistryDword(HKEY key, const wchar_t* name, DWORD value) {
    return Succeeded(
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value));
}

bool WriteRegistryQword(HKEY key, const wchar_t* name, std::uint64_t value) {
    return Succeeded(
        RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value));
}

bool DeleteRegistryValue(HKEY key, const wchar_t* name) {
    const LSTATUS status = RegDeleteValueW(key, name);
    return status == ERROR_FILE_NOT_FOUND || Succeeded(status);
}

bool ReadRegistryValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    // The value may grow between the size query and the read; ask again until it fits.
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    for (int attempt = 0; attempt < 8 && status == ERROR_SUCCESS; ++attempt) {
        data.assign(size + sizeof(wchar_t), 0);
        DWORD got = size;
        status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &got);
        if (status == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (status == ERROR_MORE_DATA) {
            size = got > size ? got : size * 2 + 64;
            status = ERROR_SUCCESS;
        }
    }
    return Succeeded(status);
}

std::optional<std::wstring> ReadRegistryString(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(key, name, type, data))
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos)
        text.resize(end);
    return text;
}

std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(key, name, type, data) || type != REG_DWORD || data.size() < sizeof(DWORD))
        return std::nullopt;
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::optional<std::uint64_t> ReadRegistryQword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRegistryValue(key, name, type, data) || type != REG_QWORD || data.size() < sizeof(std::uint64_t))
        return std::nullopt;
    std::uint64_t value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

HKEY SplitRegistryRoot(std::wstring_view path, std::wstring& rest) {
    struct RootName {
        const wchar_t* name;
        HKEY root;
    };
    const std::array<RootName, 10> kRoots = {{{L"\\HKLM\\", HKEY_LOCAL_MACHINE},
                                              {L"\\HKCU\\", HKEY_CURRENT_USER},
                                              {L"\\HKCR\\", HKEY_CLASSES_ROOT},
                                              {L"\\HKU\\", HKEY_USERS},
                                              {L"\\HKCC\\", HKEY_CURRENT_CONFIG},
                                              {L"\\HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                                              {L"\\HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                                              {L"\\HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
                                              {L"\\HKEY_USERS\\", HKEY_USERS},
                                              {L"\\HKEY_CURRENT_CONFIG\\", HKEY_CURRENT_CONFIG}}};
    for (const RootName& candidate : kRoots) {
        const std::wstring_view name = candidate.name;
        if (path.size() >= name.size() &&
            CompareStringOrdinal(path.data(), static_cast<int>(name.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
            rest.assign(path.substr(name.size()));
            return candidate.root;
        }
    }
    rest.clear();
    return nullptr;
}

UniqueRegistryKey OpenRegistryKey(HKEY root, const std::wstring& path, REGSAM access, bool create,
                                  LSTATUS* status) {
    UniqueRegistryKey key;
    const LSTATUS result =
        create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, key.Receive(), nullptr)
               : RegOpenKeyExW(root, path.c_str(), 0, access, key.Receive());
    if (status != nullptr)
        *status = result;
    if (result != ERROR_SUCCESS) {
        key.Reset();
        SetLastError(static_cast<DWORD>(result));
    }
    return key;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) {
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    UniqueRegistryKey key = OpenRegistryKey(root, path, KEY_ALL_ACCESS | view, false);
    if (!key)
        return false;
    if (!Succeeded(RegDeleteTreeW(key.Get(), nullptr)))
        return false;
    key.Reset();
    return Succeeded(RegDeleteKeyExW(root, path.c_str(), view, 0));
}

bool IsRegistryKeyEmpty(HKEY root, const std::wstring& path, REGSAM view) {
    UniqueRegistryKey key = OpenRegistryKey(root, path, KEY_READ | view, false);
    if (!key)
        return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!Succeeded(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                    nullptr, nullptr, nullptr, nullptr)))
        return false;
    return subkeys == 0 && values == 0;
}

bool DeleteEmptyRegistryKey(HKEY root, const std::wstring& path, REGSAM view) {
    if (!IsRegistryKeyEmpty(root, path, view))
        return false;
    return Succeeded(RegDeleteKeyExW(root, path.c_str(), view, 0));
}

}  // namespace vantrel
