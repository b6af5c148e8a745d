#include "actions/file_associations.h"

#include <shlobj.h>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/path_join.h"
#include "format/text_format.h"
#include "support/ansi_text.h"
#include "support/crash_guard.h"
#include "support/registry_key.h"

namespace vantrel {
namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> SplitVerbs(std::string_view verbs) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = verbs.find(',', start);
        // An empty item would name the "shell" key itself.
        std::string item =
            Trimmed(verbs.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (!item.empty())
            items.push_back(std::move(item));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return items;
}

bool IsRelativePath(std::wstring_view path) {
    return !(path.size() >= 2 && path[1] == L':') && !(!path.empty() && path[0] == L'\\');
}

// Keeps the current default value of `key` under `backupName` when the new value replaces
// something else.
void BackUpDefault(RegistryKey& key, std::wstring_view newValue, const std::wstring& backupName) {
    std::wstring current;
    if (key.ReadText(L"", current) && !IsBlankValue(current) && !EqualIgnoringCase(current, newValue))
        key.SetText(backupName, current);
}

struct VerbContext {
    const FileAssociationRecord& record;
    const std::string& extension;  // with its dot
    const std::wstring& extensionWide;
    const std::wstring& command;
    const std::wstring& icon;  // expanded and absolute
    const std::wstring& backupName;
    InstallLog& log;
    FailureList& failures;
    std::vector<FileAssociation>& uninstallLines;
};

void AssociateVerb(const VerbContext& context, const std::string& verb) {
    const FileAssociationRecord& record = context.record;
    const bool openWith = record.kind == 2;
    const std::wstring verbWide = AnsiCodePageToUtf16(verb);
    std::string fileType = record.fileType;
    bool existingMode = fileType.empty() || fileType.front() == '!';
    if (openWith && !fileType.empty() && fileType.front() == '!') {
        // An Open With entry never takes the extension's own type: the name is the entry.
        fileType.erase(0, 1);
        existingMode = false;
    }
    if (existingMode && openWith) {
        context.log.WriteLogFormat(L"Association failed/no label:  \"%s\".\r\n\r\n", {context.extensionWide});
        return;
    }
    int counter = 0;
    bool success = false;

    RegistryKey extensionKey;
    const unsigned openOptions = fileType.empty() ? registry_option::kOpenOnly : 0;
    const bool extensionOpen = extensionKey.Open(HKEY_CLASSES_ROOT, context.extensionWide, openOptions,
                                                 kRegistryStepAccess) != RegistryOpen::kFailed;
    if (!extensionOpen && existingMode) {
        context.log.WriteLogFormat(L"Association failed/key inaccessible:  \"%s\".\r\n\r\n",
                                   {context.extensionWide});
        return;
    }
    if (extensionOpen) {
        bool takeOver = !openWith;
        if (!openWith && existingMode) {
            std::wstring current;
            extensionKey.ReadText(L"", current);
            if (!current.empty()) {
                fileType = Utf16ToAnsiCodePage(current);
                takeOver = false;
            } else if (!fileType.empty() && fileType.size() > 1) {
                fileType.erase(0, 1);
                existingMode = false;
            } else {
                // Nothing to take, and "!" alone names no type (it would name the root itself).
                context.log.WriteLogFormat(L"Association failed/no label:  \"%s\".\r\n\r\n",
                                           {context.extensionWide});
                return;
            }
        }
        if (takeOver) {
            BackUpDefault(extensionKey, AnsiCodePageToUtf16(fileType), context.backupName);
            extensionKey.SetTextAnsi("", fileType);
            counter = 1;
        }
        if (!fileType.empty() && (openWith || EqualIgnoringCase(verbWide, L"open"))) {
            if (extensionKey.OpenRelative(L"OpenWithProgids", 0, kRegistryStepAccess) !=
                RegistryOpen::kFailed) {
                extensionKey.SetTextAnsi(fileType, "");
                extensionKey.Close();
            }
            context.log.WriteLogPieces(
                {std::string_view(context.extension), std::string_view(" Open With ")});
            context.log.WriteLogPieces({std::wstring_view(context.command), std::wstring_view(L"\r\n")});
        }
        extensionKey.Close();
    }

    const std::wstring fileTypeWide = AnsiCodePageToUtf16(fileType);
    RegistryKey typeKey;
    if (!fileType.empty() &&
        typeKey.Open(HKEY_CLASSES_ROOT, fileTypeWide, 0, kRegistryStepAccess) != RegistryOpen::kFailed) {
        if (!existingMode) {
            const std::wstring description = AnsiCodePageToUtf16(record.description);
            if (!IsBlankValue(description)) {
                BackUpDefault(typeKey, description, context.backupName);
                typeKey.SetTextAnsi("", record.description);
            }
        }
        if (!record.icon.empty() &&
            typeKey.OpenRelative(L"DefaultIcon", 0, kRegistryStepAccess) != RegistryOpen::kFailed) {
            BackUpDefault(typeKey, context.icon, context.backupName);
            typeKey.SetText(L"", context.icon);
            typeKey.Close();
        }
        if (typeKey.OpenRelative(L"shell", 0, kRegistryStepAccess) != RegistryOpen::kFailed) {
            if (record.kind == 1) {
                BackUpDefault(typeKey, verbWide, context.backupName);
                typeKey.SetText(L"", verbWide);
            }
            if (typeKey.OpenRelative(verbWide, 0, kRegistryStepAccess) != RegistryOpen::kFailed) {
                // The caption is kept like the other defaults, so that a verb the type had
                // before gets its own caption back.
                BackUpDefault(typeKey, AnsiCodePageToUtf16(record.verbCaption), context.backupName);
                typeKey.SetTextAnsi("", record.verbCaption);
                if (typeKey.OpenRelative(L"command", 0, kRegistryStepAccess) != RegistryOpen::kFailed) {
                    BackUpDefault(typeKey, context.command, context.backupName);
                    if (typeKey.SetText(L"", context.command)) {
                        success = true;
                        ++counter;
                    }
                    typeKey.Close();
                }
                typeKey.Close();
            }
            typeKey.Close();
        }
        typeKey.Close();
    }

    context.uninstallLines.push_back({context.extension, fileType, verb, record.icon});
    if (!success)
        context.failures.Append(
            FormatText(L"Failed to associate file type:  \"%s\".\r\n\r\n", {context.extensionWide}));
    else if (counter == 2)
        context.log.WriteLogFormat(L"Associated %s with %s (verb=%s)\r\n",
                                   {context.extensionWide, context.command, verbWide});
}

}  // namespace

bool IsBlankValue(std::wstring_view text) {
    return text.find_first_not_of(L" \r\n\t") == std::wstring_view::npos;
}

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring AssociationBackupName(std::wstring_view productName) {
    std::wstring name;
    for (const wchar_t c : std::wstring(productName) + L" Backup")
        if (c != L'\\' && c != L'\r' && c != L'\n' && c != L'\t')
            name.push_back(c);
    return name;
}

void InstallFileAssociationsUnguarded(const AssociationStepSettings& settings,
                                      const std::function<void(std::wstring&)>& expand, InstallLog& log,
                                      FailureList& failures, std::vector<FileAssociation>& uninstallLines) {
    if (settings.records.empty() || settings.skip)
        return;
    const std::wstring backupName = AssociationBackupName(settings.productName);
    for (const FileAssociationRecord& record : settings.records) {
        if (record.extension.empty() ||
            (!record.language.empty() && record.language != settings.languageName))
            continue;
        std::wstring command = record.command;
        if (expand)
            expand(command);
        const std::string extension =
            record.extension.front() == '.' ? record.extension : "." + record.extension;
        const std::wstring extensionWide = AnsiCodePageToUtf16(extension);
        std::wstring icon = record.icon;
        if (!icon.empty()) {
            if (expand)
                expand(icon);
            if (IsRelativePath(icon))
                icon = PathJoin(settings.installDir, icon);
        }
        const VerbContext context{record,     extension, extensionWide, command,       icon,
                                  backupName, log,       failures,      uninstallLines};
        for (const std::string& verb : SplitVerbs(record.verbs))
            AssociateVerb(context, verb);
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void InstallFileAssociations(const AssociationStepSettings& settings,
                             const std::function<void(std::wstring&)>& expand, InstallLog& log,
                             FailureList& failures, std::vector<FileAssociation>& uninstallLines) {
    const GuardResult guarded = RunGuarded(
        [&] { InstallFileAssociationsUnguarded(settings, expand, log, failures, uninstallLines); });
    if (guarded.crashed)
        failures.Append(L"Crashed while installing associations.\r\n");
}

}  // namespace vantrel
