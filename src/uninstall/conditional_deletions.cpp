#include "uninstall/conditional_deletions.h"

#include <windows.h>

#include <cstdlib>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/file_version.h"
#include "format/path_canonical.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/wildcard_match.h"
#include "support/ansi_text.h"
#include "support/file_access.h"
#include "support/file_system.h"
#include "support/system_info.h"
#include "uninstall/file_removal.h"

namespace vantrel {
namespace {

constexpr int kCorruptVersionValue = 65;

// The files the pattern names: one file, or the files of its folder whose names match the
// wildcards of its last component (case-insensitively).
std::vector<std::wstring> MatchingFiles(const std::wstring& pattern) {
    std::vector<std::wstring> files;
    const std::size_t slash = pattern.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash);
    const std::wstring namePattern = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
    if (!HasWildcard(namePattern)) {
        const DWORD attributes = GetFileAttributesW(pattern.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            files.push_back(pattern);
        return files;
    }
    std::vector<FolderEntry> entries;
    if (!ListFolder(folder.empty() ? L"." : folder, entries))
        return files;
    // "*.*" means every file to people, with or without a dot in its name.
    const std::wstring foldedPattern = namePattern == L"*.*" ? std::wstring(L"*") : FoldCase(namePattern);
    for (const FolderEntry& entry : entries)
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            WildcardMatch(foldedPattern, FoldCase(entry.name)))
            files.push_back(PathJoin(folder, entry.name));
    return files;
}

enum class Verdict { kHolds, kFails, kStop };

Verdict EvaluateCondition(ConditionalDeletionContext& context, const FileDeletion& deletion,
                          const std::wstring& file) {
    const int condition = deletion.condition;
    if (condition >= 1 && condition <= 3) {
        const auto fileVersion = FileVersionOf(file);
        if (!fileVersion)
            return Verdict::kFails;
        const auto wanted = ParseFileVersion(deletion.value);
        if (!wanted) {
            if (context.corruptPayload)
                context.corruptPayload(kCorruptVersionValue);
            return Verdict::kStop;
        }
        const bool holds = condition == 1   ? *fileVersion == *wanted
                           : condition == 2 ? *fileVersion >= *wanted
                                            : *fileVersion <= *wanted;
        return holds ? Verdict::kHolds : Verdict::kFails;
    }
    const auto size = FileSizeOf(file);
    if (!size)
        return Verdict::kFails;
    if (condition >= 4 && condition <= 6) {
        const long long wanted = std::atol(deletion.value.c_str());
        const auto actual = static_cast<long long>(*size);
        const bool holds = condition == 4   ? actual == wanted
                           : condition == 5 ? actual >= wanted
                                            : actual <= wanted;
        return holds ? Verdict::kHolds : Verdict::kFails;
    }
    return Verdict::kHolds;
}

void Log(ConditionalDeletionContext& context, const std::wstring& text) {
    if (context.phase == DeletionPhase::kInstallation && context.log != nullptr)
        context.log->WriteLog(text);
}

}  // namespace

int RunConditionalDeletions(ConditionalDeletionContext& context, std::vector<FileDeletion>& deletions) {
    const bool installing = context.phase == DeletionPhase::kInstallation;
    const std::uint8_t phaseBit =
        installing ? deletion_flags::kAtInstallation : deletion_flags::kAtUninstallation;
    int failures = 0;
    bool anyFile = false;
    for (auto record = deletions.begin(); record != deletions.end();) {
        if ((record->flags & phaseBit) == 0) {
            ++record;
            continue;
        }
        int recordFailures = 0;
        std::wstring pattern = DecodeText(record->pattern, AnsiCodePageToUtf16);
        if (context.expand)
            context.expand(pattern);
        if (!IsAbsolutePathText(pattern))
            pattern = PathJoin(context.installDir, pattern);
        // A pattern read back from disk must stay where it points.
        if (!installing && HasParentSegment(pattern)) {
            ++failures;
            ++record;
            continue;
        }
        for (const std::wstring& file : MatchingFiles(pattern)) {
            const Verdict verdict = EvaluateCondition(context, *record, file);
            if (verdict == Verdict::kStop)
                return failures + 1;
            if (verdict == Verdict::kFails)
                continue;
            anyFile = true;
            ClearProtectingAttributes(file);
            DWORD error = 0;
            if ((record->flags & deletion_flags::kOnlyAtRestart) == 0) {
                if (DeleteFileWithFlags(file, 0)) {
                    Log(context, FormatText(L"Deleted file: %s\r\n", {file}));
                    continue;
                }
                error = GetLastError();
            }
            if (record->flags & (deletion_flags::kOnlyAtRestart | deletion_flags::kAtRestartIfLocked)) {
                const bool onlyAtRestart = (record->flags & deletion_flags::kOnlyAtRestart) != 0;
                Log(context, FormatText(L"File \"%s\" will be deleted after rebooting%s%s\r\n",
                                        {file, onlyAtRestart ? L"" : L": ",
                                         onlyAtRestart ? std::wstring(L".") : SystemErrorText(error)}));
                if (RegisterDeletionAtRestart(file)) {
                    context.restartNeeded = true;
                } else {
                    ++recordFailures;
                    if (installing && context.failures != nullptr)
                        context.failures->Append(FormatText(L"Failed to register \"%s\" for deletion: %s\r\n",
                                                            {file, SystemErrorText(GetLastError())}));
                }
                continue;
            }
            ++recordFailures;
            Log(context, FormatText(L"Failed to delete file \"%s\": %s\r\n", {file, SystemErrorText(error)}));
        }
        failures += recordFailures;
        if (!installing && recordFailures == 0)
            record = deletions.erase(record);
        else
            ++record;
    }
    if (installing && anyFile)
        Log(context, L"\r\n");
    return failures;
}

}  // namespace vantrel
