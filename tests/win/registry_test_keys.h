#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/registry_key.h"

namespace vantrel::test {

// A key of its own under HKEY_CURRENT_USER\Software\VantrelTests for one test, removed
// before and after.
class ScratchKey {
  public:
    explicit ScratchKey(const std::wstring& name) : path_(L"Software\\VantrelTests\\" + name) { Remove(); }
    ~ScratchKey() { Remove(); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::wstring& Path() const { return path_; }  // below HKEY_CURRENT_USER
    std::wstring InstructionPath() const { return L"\\HKCU\\" + path_; }
    void Remove() const { DeleteRegistryKey(HKEY_CURRENT_USER, path_, 0, 0); }

  private:
    std::wstring path_;
};

struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
};

inline StoredValue ReadStoredValue(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                                   REGSAM view = 0) {
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.present =
            RegQueryValueExW(key, name.c_str(), nullptr, &value.type,
                             value.bytes.empty() ? nullptr : value.bytes.data(), &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

inline std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void WriteText(HKEY root, const std::wstring& path, const std::wstring& name,
                      const std::wstring& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Every key, value type and value below `path`, in enumeration order of sorted names, as
// one text: two exports are equal exactly when the trees are.
inline std::wstring ExportTree(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"(missing " + path + L")\n";
    std::wstring text = L"[" + path + L"]\n";
    std::vector<std::wstring> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        DWORD type = 0;
        BYTE data[2048];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key, index, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::wstring line = L"\"" + std::wstring(name, length) + L"\"=" + std::to_wstring(type) + L":";
        for (DWORD i = 0; i < size; ++i)
            line += std::to_wstring(data[i]) + L" ";
        values.push_back(line + L"\n");
    }
    std::sort(values.begin(), values.end());
    for (const std::wstring& line : values)
        text += line;
    std::vector<std::wstring> children;
    for (DWORD index = 0;; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, length);
    }
    RegCloseKey(key);
    std::sort(children.begin(), children.end());
    for (const std::wstring& child : children)
        text += ExportTree(root, path + L"\\" + child);
    return text;
}

}  // namespace vantrel::test
