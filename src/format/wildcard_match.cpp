#include "format/wildcard_match.h"

namespace vantrel {

bool WildcardMatch(std::wstring_view pattern, std::wstring_view name) {
    if (pattern == L"*.*")
        pattern = L"*";
    // Greedy matching with one backtrack point: linear in practice, never exponential.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::wstring_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool HasWildcard(std::wstring_view text) {
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

}  // namespace vantrel
