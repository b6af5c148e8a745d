#include <string>

#include "format/comma_separated.h"
#include "format/text_encoding.h"
#include "format/uninstall_data_file.h"

namespace vantrel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

void AppendSectionHeader(std::string& out, std::string_view header) {
    out.append("\r\n\r\n").append(header).append(kLineEnd);
}

void AppendLinesSection(std::string& out, std::string_view header, const std::vector<std::string>& lines) {
    if (lines.empty())
        return;
    AppendSectionHeader(out, header);
    for (const std::string& line : lines)
        out.append(line).append(kLineEnd);
}

void AppendString(std::string& out, int number, std::wstring_view text) {
    out.append("~").append(std::to_string(number)).append(kLineEnd);
    out.append(Utf16ToUtf8(text)).append(kLineEnd);
}

}  // namespace

std::string FormatAssociationLine(const FileAssociation& association) {
    return association.extension + "~!~" + association.fileType + "~!~" + association.verb + "~!~" +
           EncodeText(association.icon);
}

std::string FormatMsiLine(std::wstring_view packagePath, int uiLevel) {
    return "\"" + EncodeText(packagePath) + "\"," + std::to_string(uiLevel);
}

std::string BuildUninstallData(const UninstallDataContent& content) {
    std::string out;
    for (const std::string& line : content.removalList)
        out.append(line).append(kLineEnd);

    AppendSectionHeader(out, uninstall_section::kStrings);
    for (const int number : kUninstallStringNumbers) {
        const auto found = content.strings.find(number);
        AppendString(out, number, found == content.strings.end() ? std::wstring_view() : found->second);
    }
    AppendString(out, kProductTitleNumber, content.productTitle);

    if (!content.autoClose.empty()) {
        AppendSectionHeader(out, uninstall_section::kAutoClose);
        for (const AutoCloseEntry& entry : content.autoClose)
            out.append(JoinCommaRecord({Utf16ToUtf8(entry.titlePattern), entry.classPattern,
                                        entry.programName, std::to_string(entry.action)}))
                .append(kLineEnd);
    }

    if (!content.associations.empty()) {
        AppendSectionHeader(out, uninstall_section::kAssociations);
        for (const FileAssociation& association : content.associations)
            out.append(FormatAssociationLine(association)).append(kLineEnd);
    }
    AppendLinesSection(out, uninstall_section::kFirewall, content.firewallLines);
    AppendLinesSection(out, uninstall_section::kInf, content.infLines);
    AppendLinesSection(out, uninstall_section::kMsi, content.msiLines);

    if (!content.registryScript.empty()) {
        AppendSectionHeader(out, uninstall_section::kRegistry);
        out.append(content.registryScript);
        if (out.size() < 2 || out.compare(out.size() - 2, 2, kLineEnd) != 0)
            out.append(kLineEnd);
    }

    std::string deletions;
    for (const FileDeletion& deletion : content.deletions) {
        if ((deletion.flags & 0x8) == 0)
            continue;
        deletions
            .append(JoinCommaRecord({deletion.pattern, std::to_string(deletion.condition), deletion.value,
                                     std::to_string(deletion.flags)}))
            .append(kLineEnd);
    }
    if (!deletions.empty()) {
        AppendSectionHeader(out, uninstall_section::kConditionalDelete);
        out.append(deletions);
    }
    return out;
}

}  // namespace vantrel
