#include "format/wildcard_match.h"

namespace vantrel {
namespace {

// Greedy matching that backtracks only to the last star: linear in practice, never
// exponential.
template <class Char>
bool Match(std::basic_string_view<Char> pattern, std::basic_string_view<Char> name) {
    constexpr auto npos = std::basic_string_view<Char>::npos;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        // A star is tested first: a name may hold a "*" itself (a window title such as
        // "*Untitled"), and taken as a literal it would use up the pattern's star.
        if (p < pattern.size() && pattern[p] == Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP != npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == Char('*'))
        ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    return Match(pattern, name);
}

bool WildcardMatch(std::wstring_view pattern, std::wstring_view name) {
    return Match(pattern, name);
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool HasWildcard(std::wstring_view text) {
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

}  // namespace vantrel
