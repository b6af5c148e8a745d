#include "support/environment.h"

#include <windows.h>

namespace vantrel {
namespace {

constexpr DWORD kVariableLimit = 65536;
constexpr DWORD kExpansionBuffer = 32000;

}  // namespace

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value(256, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        if (length >= kVariableLimit)
            return {};
        value.resize(length);
        length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length >= value.size())
            return {};
    }
    value.resize(length);
    return value;
}

bool ExpandEnvironmentText(std::wstring& text) {
    std::wstring buffer(kExpansionBuffer, L'\0');
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), kExpansionBuffer);
    // The count includes the terminating zero. A result that did not fit is not cut short:
    // a truncated path would point somewhere else, so the unexpanded text is kept instead.
    if (needed == 0 || needed > kExpansionBuffer)
        return false;
    buffer.resize(needed - 1);
    text = std::move(buffer);
    return true;
}

}  // namespace vantrel
