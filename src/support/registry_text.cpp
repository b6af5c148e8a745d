#include "support/registry_text.h"

#include "support/registry_key.h"

namespace vantrel {

std::wstring ReadRegistryText(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, REGSAM access) {
    RegistryKey key;
    std::wstring text;
    if (key.Open(root, keyPath != nullptr ? keyPath : L"", registry_option::kOpenOnly,
                 KEY_QUERY_VALUE | access) != RegistryOpen::kFailed)
        key.ReadText(valueName != nullptr ? valueName : L"", text);
    return text;
}

}  // namespace vantrel
