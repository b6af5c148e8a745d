#include "format/path_join.h"

namespace vantrel {

std::wstring PathJoin(std::wstring_view first, std::wstring_view second) {
    if (first.empty())
        return std::wstring(second);
    if (second.empty())
        return std::wstring(first);
    std::wstring result(first);
    if (second.front() == L'\\') {
        if (result.back() == L'\\')
            result.pop_back();
    } else if (result.back() != L':' && result.back() != L'\\') {
        result.push_back(L'\\');
    }
    result.append(second);
    return result;
}

std::wstring WithoutTrailingBackslash(std::wstring_view path) {
    if (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    return std::wstring(path);
}

std::wstring WithoutLastComponent(std::wstring_view path) {
    if (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring_view::npos)
        return {};
    return std::wstring(path.substr(0, slash));
}

}  // namespace vantrel
