#include "format/path_canonical.h"

#include <vector>

namespace vantrel {
namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

std::wstring_view WithoutTrailingDotsAndSpaces(std::wstring_view component) {
    while (!component.empty() && (component.back() == L'.' || component.back() == L' '))
        component.remove_suffix(1);
    return component;
}

bool HasPrefixForm(std::wstring_view path) {
    return StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\") || StartsWith(path, L"\\??\\");
}

}  // namespace

std::wstring CanonicalPathText(std::wstring_view input) {
    std::wstring path(input);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    std::wstring_view rest = path;
    std::wstring root;
    if (StartsWith(rest, L"\\\\?\\UNC\\") || StartsWith(rest, L"\\\\.\\UNC\\")) {
        rest.remove_prefix(8);
        root = L"\\\\";
    } else if (StartsWith(rest, L"\\\\?\\") || StartsWith(rest, L"\\\\.\\") || StartsWith(rest, L"\\??\\")) {
        rest.remove_prefix(4);
    }
    if (root.empty() && StartsWith(rest, L"\\\\")) {
        rest.remove_prefix(2);
        root = L"\\\\";
    }
    std::size_t fixedComponents = 0;  // a UNC path's server and share are its root
    if (root.empty() && rest.size() >= 2 && IsDriveLetter(rest[0]) && rest[1] == L':') {
        root.assign(rest.substr(0, 2));
        rest.remove_prefix(2);
        if (!rest.empty() && rest.front() == L'\\')
            root.push_back(L'\\');
    } else if (root == L"\\\\") {
        fixedComponents = 2;
    } else if (!rest.empty() && rest.front() == L'\\') {
        root = L"\\";
    }

    std::vector<std::wstring_view> components;
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = rest.find(L'\\', at);
        if (end == std::wstring_view::npos)
            end = rest.size();
        std::wstring_view component = rest.substr(at, end - at);
        at = end + 1;
        while (!component.empty() && component.back() == L' ')
            component.remove_suffix(1);
        if (component == L"..") {
            if (components.size() > fixedComponents)
                components.pop_back();
            continue;
        }
        component = WithoutTrailingDotsAndSpaces(component);
        if (!component.empty())
            components.push_back(component);
    }

    std::wstring result = root;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            result.push_back(L'\\');
        result.append(components[i]);
    }
    // Dropping empty components can leave a prefix form behind ("\\\?\x", a UNC path with
    // an empty first component, becomes "\\?\x"): read it once more, so that the result is
    // its own canonical form. Each pass takes a prefix off, so this ends.
    if (HasPrefixForm(result))
        return CanonicalPathText(result);
    return result;
}

bool IsAbsolutePathText(std::wstring_view path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' &&
        (path[2] == L'\\' || path[2] == L'/'))
        return true;
    return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

bool HasParentSegment(std::wstring_view path) {
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t end = path.find_first_of(L"\\/", at);
        if (end == std::wstring_view::npos)
            end = path.size();
        if (WithoutTrailingDotsAndSpaces(path.substr(at, end - at)).empty() && end - at >= 2 &&
            path.substr(at, end - at).find(L"..") != std::wstring_view::npos)
            return true;
        at = end + 1;
    }
    return false;
}

bool IsSameOrAncestorFolder(std::wstring_view folder, std::wstring_view path) {
    if (folder.empty())
        return false;
    if (path == folder)
        return true;
    if (path.size() <= folder.size() || !StartsWith(path, folder))
        return false;
    return folder.back() == L'\\' || path[folder.size()] == L'\\';
}

}  // namespace vantrel
