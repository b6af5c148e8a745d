#include "support/registry_text.h"

#include <vector>

#include "support/unique_registry_key.h"

namespace vantrel {

std::wstring ReadRegistryText(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, REGSAM access) {
    UniqueRegistryKey owned;
    if (RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE | access, owned.Receive()) != ERROR_SUCCESS)
        return {};
    const HKEY key = owned.Get();
    std::wstring text;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) ==
            ERROR_SUCCESS) {
            // Stored values may or may not carry their terminating zero; the text ends at the first.
            const std::size_t units = read / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < units && buffer[length] != L'\0')
                ++length;
            text.assign(buffer.data(), length);
        }
    }
    return text;
}

}  // namespace vantrel
