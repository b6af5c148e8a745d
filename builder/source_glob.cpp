#include "builder/source_glob.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "builder/toml_table_reader.h"
#include "format/wildcard_match.h"

namespace vantrel::builder {
namespace {

std::vector<std::string_view> SplitComponents(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool MatchParts(const std::vector<std::string_view>& pattern, std::size_t p,
                const std::vector<std::string_view>& text, std::size_t t) {
    if (p == pattern.size())
        return t == text.size();
    if (pattern[p] == "**") {
        for (std::size_t skip = t; skip <= text.size(); ++skip) {
            if (MatchParts(pattern, p + 1, text, skip))
                return true;
        }
        return false;
    }
    return t < text.size() && WildcardMatch(pattern[p], text[t]) && MatchParts(pattern, p + 1, text, t + 1);
}

std::string GenericUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

std::string ProductName(std::string_view generic) {
    std::string name(generic);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

}  // namespace

bool MatchesPattern(std::string_view pattern, std::string_view text) {
    return MatchParts(SplitComponents(pattern), 0, SplitComponents(text), 0);
}

std::vector<SourceMatch> ExpandSourcePattern(const std::filesystem::path& baseFolder,
                                             std::string_view pattern) {
    std::string generic(pattern);
    std::replace(generic.begin(), generic.end(), '\\', '/');
    std::vector<SourceMatch> matches;
    std::error_code error;
    if (!HasWildcard(generic)) {
        const std::filesystem::path path = ProjectPath(baseFolder, generic);
        if (!std::filesystem::is_regular_file(path, error)) {
            throw std::runtime_error("no file \"" + std::string(pattern) + "\"");
        }
        matches.push_back({path, ProductName(GenericUtf8(path.filename()))});
        return matches;
    }
    // The fixed folder: the components before the first one with a wildcard.
    const std::vector<std::string_view> parts = SplitComponents(generic);
    std::string fixed = generic.starts_with('/') ? "/" : "";
    std::size_t first = 0;
    while (first < parts.size() && !HasWildcard(parts[first])) {
        fixed += std::string(parts[first]) + "/";
        ++first;
    }
    std::string rest;
    for (std::size_t i = first; i < parts.size(); ++i)
        rest += (rest.empty() ? "" : "/") + std::string(parts[i]);
    const std::filesystem::path root = fixed.empty() ? baseFolder : ProjectPath(baseFolder, fixed);
    if (!std::filesystem::is_directory(root, error)) {
        throw std::runtime_error("no folder \"" + (fixed.empty() ? std::string(".") : fixed) +
                                 "\" for the pattern \"" + std::string(pattern) + "\"");
    }
    const bool deep = rest.find("**") != std::string::npos || rest.find('/') != std::string::npos;
    auto consider = [&](const std::filesystem::directory_entry& entry) {
        if (!entry.is_regular_file(error))
            return;
        const std::string relative = GenericUtf8(entry.path().lexically_relative(root));
        if (MatchesPattern(rest, relative))
            matches.push_back({entry.path(), ProductName(relative)});
    };
    // The same walk, one level or the whole tree.
    auto walk = [&](auto it) {
        const auto fail = [&] {
            throw std::runtime_error("cannot list \"" + GenericUtf8(root) + "\": " + error.message());
        };
        if (error)
            fail();
        for (; it != decltype(it)(); it.increment(error)) {
            if (error)
                fail();
            consider(*it);
        }
    };
    if (deep) {
        walk(std::filesystem::recursive_directory_iterator(root, error));
    } else {
        walk(std::filesystem::directory_iterator(root, error));
    }
    std::sort(matches.begin(), matches.end(),
              [](const SourceMatch& a, const SourceMatch& b) { return a.name < b.name; });
    return matches;
}

}  // namespace vantrel::builder
