#include "format/wininit_rename.h"

#include <cctype>

namespace vantrel {
namespace {

constexpr std::string_view kHeader = "[rename]";

bool MatchesHeaderAt(const std::string& text, std::size_t at) {
    if (at + kHeader.size() > text.size())
        return false;
    for (std::size_t i = 0; i < kHeader.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != kHeader[i])
            return false;
    return true;
}

std::size_t FindHeader(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        if (MatchesHeaderAt(text, at))
            return at;
        const std::size_t lineEnd = text.find_first_of("\r\n", at);
        if (lineEnd == std::string::npos)
            break;
        at = text.find_first_not_of("\r\n", lineEnd);
        if (at == std::string::npos)
            break;
    }
    return std::string::npos;
}

}  // namespace

std::string AddWininitRename(std::string iniText, std::string_view left, std::string_view right) {
    std::string line = "\r\n";
    line.append(left).append("=").append(right);
    const std::size_t header = FindHeader(iniText);
    if (header != std::string::npos) {
        // After the whole header line: whatever follows "[rename]" on it (a comment, stray
        // characters) must not end up on the operation's line.
        const std::size_t lineEnd = iniText.find_first_of("\r\n", header + kHeader.size());
        iniText.insert(lineEnd == std::string::npos ? iniText.size() : lineEnd, line);
        return iniText;
    }
    // A file that does not end with a line break would glue the header to its last line.
    if (!iniText.empty() && iniText.back() != '\n' && iniText.back() != '\r')
        iniText.append("\r\n");
    iniText.append(kHeader).append(line);
    return iniText;
}

}  // namespace vantrel
