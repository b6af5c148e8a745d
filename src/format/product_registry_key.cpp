#include "format/product_registry_key.h"

#include <array>
#include <vector>

#include "format/ascii.h"

namespace vantrel {
namespace {

// Keys directly below "Software" that belong to the system or to many programs at once.
constexpr std::array<std::wstring_view, 16> kSharedKeys = {L"Microsoft", L"Classes",
                                                           L"Policies",  L"Wow6432Node",
                                                           L"Clients",   L"RegisteredApplications",
                                                           L"ODBC",      L"Intel",
                                                           L"Windows",   L"Wine",
                                                           L"Software",  L"Program Groups",
                                                           L"Secure",    L"Description",
                                                           L"Partner",   L"DefaultUserEnvironment"};

// Of those, the ones under which no product keeps a key of its own.
constexpr std::array<std::wstring_view, 5> kNeverOwnedKeys = {L"Classes", L"Policies", L"Wow6432Node",
                                                              L"Clients", L"RegisteredApplications"};

bool EqualIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

template <std::size_t N>
bool IsOneOf(std::wstring_view name, const std::array<std::wstring_view, N>& names) {
    for (const std::wstring_view known : names)
        if (EqualIgnoringAsciiCase(name, known))
            return true;
    return false;
}

bool IsBlankComponent(std::wstring_view component) {
    return component.find_first_not_of(L" \t.") == std::wstring_view::npos;
}

}  // namespace

bool IsRemovableProductRegistryKey(std::wstring_view key) {
    std::vector<std::wstring_view> components;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = key.find_first_of(L"\\/", start);
        components.push_back(
            key.substr(start, end == std::wstring_view::npos ? key.size() - start : end - start));
        if (end == std::wstring_view::npos)
            break;
        start = end + 1;
    }
    // A blank component (empty, dots, spaces) would let the path climb or collapse onto its
    // parent; the system treats "Software\." as "Software" itself.
    for (const std::wstring_view component : components)
        if (IsBlankComponent(component))
            return false;
    if (components.size() == 1 && IsOneOf(components.front(), kSharedKeys))
        return false;
    return !IsOneOf(components.front(), kNeverOwnedKeys);
}

}  // namespace vantrel
