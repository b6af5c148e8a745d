#include "support/version_resource.h"

#include <windows.h>

#include <vector>

#include "format/text_format.h"

namespace vantrel {
namespace {

std::wstring QueryText(std::vector<std::uint8_t>& data, const wchar_t* key) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), key, &value, &length) || value == nullptr || length == 0)
        return {};
    const auto* text = static_cast<const wchar_t*>(value);
    // The length counts characters and usually the terminating zero; trust neither.
    std::size_t n = 0;
    while (n < length && text[n] != 0)
        ++n;
    return std::wstring(text, n);
}

}  // namespace

std::wstring ReadFileVersionText(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<std::uint8_t> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return {};

    std::vector<DWORD> translations;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && value != nullptr) {
        const auto* pairs = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2)
            translations.push_back(static_cast<DWORD>(pairs[i]) << 16 | pairs[i + 1]);
    }
    // US English in Unicode and in Windows-1252, and language neutral.
    for (const DWORD fallback : {0x040904B0u, 0x040904E4u, 0x04090000u, 0x000004B0u})
        translations.push_back(fallback);

    for (const DWORD translation : translations) {
        const std::wstring key =
            FormatText(L"\\StringFileInfo\\%08lX\\FileVersion", {static_cast<unsigned long>(translation)});
        std::wstring text = QueryText(data, key.c_str());
        if (!text.empty())
            return text;
    }
    return {};
}

}  // namespace vantrel
