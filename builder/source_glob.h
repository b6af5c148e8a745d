#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::builder {

// One file matched by a source pattern.
struct SourceMatch {
    std::filesystem::path path;  // the file
    std::string
        name;  // its name in the product: the path below the pattern's fixed folder, "\"-separated, UTF-8
};

// True when `text` matches the '/'-separated pattern: "*" matches any run of characters
// within one path component, "?" one character, and a component "**" any number of
// components (none included).
bool MatchesPattern(std::string_view pattern, std::string_view text);

// Expands a source pattern relative to `baseFolder` (either slash separates components).
// A pattern without wildcards names one file, whose product name is its file name. A pattern
// with wildcards matches regular files under its leading fixed folder, named by their path
// below it. Matches are sorted by name (byte order) so builds are reproducible. Throws
// std::runtime_error when the fixed folder or the file cannot be read.
std::vector<SourceMatch> ExpandSourcePattern(const std::filesystem::path& baseFolder,
                                             std::string_view pattern);

}  // namespace vantrel::builder
