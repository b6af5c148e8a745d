#include "format/uninstall_data_file.h"

#include <optional>

#include "format/comma_separated.h"
#include "format/text_encoding.h"

namespace vantrel {
namespace {

enum class Section {
    kRemovalList,
    kStrings,
    kAutoClose,
    kAssociations,
    kFirewall,
    kInf,
    kMsi,
    kRegistry,
    kConditionalDelete
};

struct SectionHeader {
    std::string_view text;
    Section section;
};

constexpr SectionHeader kHeaders[] = {
    {uninstall_section::kStrings, Section::kStrings},
    {uninstall_section::kAutoClose, Section::kAutoClose},
    {uninstall_section::kAssociations, Section::kAssociations},
    {uninstall_section::kFirewall, Section::kFirewall},
    {uninstall_section::kInf, Section::kInf},
    {uninstall_section::kMsi, Section::kMsi},
    {uninstall_section::kRegistry, Section::kRegistry},
    {uninstall_section::kConditionalDelete, Section::kConditionalDelete},
};

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view TrimEnd(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::optional<Section> HeaderOf(std::string_view line) {
    for (const SectionHeader& header : kHeaders)
        if (line == header.text)
            return header.section;
    return std::nullopt;
}

// A line that ends the text of an installer string: the next string, or another section.
bool EndsStringText(std::string_view line) {
    if (!line.empty() && line.front() == '~')
        return true;
    for (const SectionHeader& header : kHeaders)
        if (header.section != Section::kStrings && line.substr(0, header.text.size()) == header.text)
            return true;
    return false;
}

// One line: `content` without its line end, `withEnd` including it. A line ends at one CR,
// one LF, CR LF or LF CR.
struct RawLine {
    std::string_view content;
    std::string_view withEnd;
};

std::vector<RawLine> SplitLines(std::string_view bytes) {
    std::vector<RawLine> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t start = at;
        while (at < bytes.size() && bytes[at] != '\r' && bytes[at] != '\n')
            ++at;
        const std::size_t contentEnd = at;
        if (at < bytes.size()) {
            const char first = bytes[at++];
            const char pair = first == '\r' ? '\n' : '\r';
            if (at < bytes.size() && bytes[at] == pair)
                ++at;
        }
        lines.push_back({bytes.substr(start, contentEnd - start), bytes.substr(start, at - start)});
    }
    return lines;
}

// A decimal number with an optional sign; reading stops at the first other character, and
// a text that is no number reads as 0. Saturates instead of overflowing.
long long NumberOf(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (text[at] - '0');
    return negative ? -value : value;
}

// The number written by the leading digits of a text (no sign); 0 when there are none.
long long DigitsOf(std::string_view text) {
    long long value = 0;
    for (std::size_t at = 0; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        if (value < 1'000'000'000LL)
            value = value * 10 + (text[at] - '0');
    return value;
}

bool IsBlank(std::string_view text) {
    return Trim(text).empty();
}

std::optional<FileAssociation> ParseAssociation(std::string_view line, const AnsiDecoder& decodeAnsi) {
    constexpr std::string_view kSeparator = "~!~";
    std::string_view fields[4];
    std::size_t count = 0;
    std::string_view rest = line;
    while (count < 3) {
        const std::size_t at = rest.find(kSeparator);
        if (at == std::string_view::npos)
            break;
        fields[count++] = rest.substr(0, at);
        rest = rest.substr(at + kSeparator.size());
    }
    fields[count++] = rest;
    if (IsBlank(fields[0]) || IsBlank(fields[1]) || IsBlank(fields[2]))
        return std::nullopt;
    return FileAssociation{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                           DecodeText(fields[3], decodeAnsi)};
}

}  // namespace

char RemovalPrefix(RemovalKind kind) {
    switch (kind) {
        case RemovalKind::kFolder:
            return '~';
        case RemovalKind::kRegistryValue:
            return '!';
        case RemovalKind::kRegistryKey:
            return '^';
        case RemovalKind::kRegistryKey64:
            return '*';
        case RemovalKind::kFile:
            break;
    }
    return 0;
}

RemovalKind RemovalKindOf(std::string_view line) {
    if (line.empty())
        return RemovalKind::kFile;
    switch (line.front()) {
        case '~':
            return RemovalKind::kFolder;
        case '!':
            return RemovalKind::kRegistryValue;
        case '^':
            return RemovalKind::kRegistryKey;
        case '*':
            return RemovalKind::kRegistryKey64;
        default:
            return RemovalKind::kFile;
    }
}

std::string_view RemovalPathOf(std::string_view line) {
    return RemovalKindOf(line) == RemovalKind::kFile ? line : line.substr(1);
}

UninstallDataContent ParseUninstallData(std::string_view bytes, const AnsiDecoder& decodeAnsi) {
    UninstallDataContent content;
    const std::vector<RawLine> lines = SplitLines(bytes);
    Section section = Section::kRemovalList;
    std::size_t index = 0;
    while (index < lines.size()) {
        const std::string_view line = Trim(lines[index].content);
        ++index;
        if (const auto header = HeaderOf(line)) {
            section = *header;
            continue;
        }
        switch (section) {
            case Section::kRemovalList:
                content.removalList.emplace_back(line);
                break;
            case Section::kStrings: {
                if (line.empty() || line.front() != '~')
                    break;
                const long long number = DigitsOf(line.substr(1));
                std::string text;
                while (index < lines.size() && !EndsStringText(Trim(lines[index].content)))
                    text.append(lines[index++].withEnd);
                if (number < 1 || number > 1000)
                    break;
                std::wstring decoded = Utf8ToUtf16(TrimEnd(text));
                if (number == kProductTitleNumber)
                    content.productTitle = std::move(decoded);
                else
                    content.strings[static_cast<int>(number)] = std::move(decoded);
                break;
            }
            case Section::kAutoClose: {
                const std::vector<std::string> fields = SplitCommaRecord(line);
                if (fields.size() != 4)
                    break;
                AutoCloseEntry entry;
                entry.titlePattern = Utf8ToUtf16(fields[0]);
                entry.classPattern = fields[1];
                entry.programName = fields[2];
                entry.action = static_cast<std::uint8_t>(NumberOf(fields[3]));
                entry.phaseMask = entry.action == 2 ? 4 : 2;
                content.autoClose.push_back(std::move(entry));
                break;
            }
            case Section::kAssociations:
                if (auto association = ParseAssociation(line, decodeAnsi))
                    content.associations.push_back(std::move(*association));
                break;
            // Empty lines in these sections are the separators before the next header, not
            // records: kept, they would come back as packages or firewall rules to remove.
            case Section::kFirewall:
                if (!line.empty())
                    content.firewallLines.emplace_back(line);
                break;
            case Section::kInf:
                if (!line.empty())
                    content.infLines.emplace_back(line);
                break;
            case Section::kMsi:
                if (!line.empty())
                    content.msiLines.emplace_back(line);
                break;
            case Section::kRegistry:
                if (!line.empty())
                    content.registryScript.append(line).append("\r\n");
                break;
            case Section::kConditionalDelete: {
                const std::vector<std::string> fields = SplitCommaRecord(line);
                if (fields.size() != 4)
                    break;
                FileDeletion deletion;
                deletion.pattern = fields[0];
                deletion.condition = static_cast<std::uint8_t>(NumberOf(fields[1]));
                deletion.value = fields[2];
                deletion.flags = static_cast<std::uint8_t>(NumberOf(fields[3]));
                content.deletions.push_back(std::move(deletion));
                break;
            }
        }
    }
    return content;
}

}  // namespace vantrel
