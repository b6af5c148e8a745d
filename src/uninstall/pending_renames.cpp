#include "uninstall/pending_renames.h"

#include "context/install_log.h"
#include "format/text_format.h"
#include "support/file_system.h"
#include "support/restart_operations.h"

namespace vantrel {

std::wstring PendingRenameName(const std::wstring& entry) {
    const std::size_t start = entry.find_first_not_of(L"\\?!");
    std::wstring name = start == std::wstring::npos ? std::wstring() : entry.substr(start);
    for (wchar_t& c : name)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return name;
}

PendingRenameCleanup CleanPendingRenameList(std::vector<std::wstring> list,
                                            const std::set<std::wstring>& names) {
    PendingRenameCleanup result;
    if (list.size() % 2 != 0)
        list.emplace_back();
    for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
        const std::wstring& source = list[i];
        const std::wstring& target = list[i + 1];
        if (!target.empty()) {
            const std::wstring targetName = PendingRenameName(target);
            if (names.count(targetName) != 0) {
                result.droppedMoves.push_back(targetName);
                result.logLines.push_back(
                    FormatText(L"File \"%s\" was removed from the list of pending moves.\r\n", {targetName}));
                const std::size_t start = source.find_first_not_of(L"\\?!");
                result.waitingSources.push_back(start == std::wstring::npos ? std::wstring()
                                                                            : source.substr(start));
                result.changed = true;
                continue;
            }
        } else {
            const std::wstring sourceName = PendingRenameName(source);
            if (sourceName.empty() || names.count(sourceName) != 0) {
                if (!sourceName.empty()) {
                    result.droppedDeletions.push_back(sourceName);
                    result.logLines.push_back(FormatText(
                        L"File \"%s\" was removed from the list of pending deletions.\r\n", {sourceName}));
                }
                result.changed = true;
                continue;
            }
        }
        result.kept.push_back(source);
        result.kept.push_back(target);
    }
    return result;
}

bool CleanPendingRenames(const std::vector<std::wstring>& deletedFiles, InstallLog* log,
                         const PendingRenameLocation& location) {
    std::vector<std::wstring> list;
    if (!ReadMultiStringValue(location.root, location.keyPath, location.valueName, list) || list.empty())
        return true;
    if (log != nullptr)
        log->WriteLog(L"\r\n");
    std::set<std::wstring> names;
    for (const std::wstring& file : deletedFiles)
        names.insert(PendingRenameName(file));
    const PendingRenameCleanup cleanup = CleanPendingRenameList(std::move(list), names);
    if (log != nullptr)
        for (const std::wstring& line : cleanup.logLines)
            log->WriteLog(line);
    for (const std::wstring& source : cleanup.waitingSources)
        if (!source.empty())
            MoveToRecycleBin(source);
    if (!cleanup.changed)
        return true;
    return WriteMultiStringValue(location.root, location.keyPath, location.valueName, cleanup.kept);
}

}  // namespace vantrel
