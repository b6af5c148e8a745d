#include "uninstall/association_removal.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "actions/file_associations.h"
#include "support/ansi_text.h"
#include "support/registry_key.h"

namespace vantrel {
namespace {

// Restores the default value of the current key from a non-blank backup and deletes the
// backup; false when there was nothing to restore.
bool RestoreDefault(RegistryKey& key, const std::wstring& backupName) {
    std::wstring backup;
    if (!key.ReadText(backupName, backup) || IsBlankValue(backup))
        return false;
    key.SetText(L"", backup);
    key.DeleteValue(backupName);
    return true;
}

// The same, deleting the default value when there is no backup.
bool RestoreOrDeleteDefault(RegistryKey& key, const std::wstring& backupName) {
    if (RestoreDefault(key, backupName))
        return true;
    key.DeleteValue(L"");
    return false;
}

// Deletes the "Open With" entry of the file type, and the list when it is then empty.
void RemoveOpenWithEntry(RegistryKey& extensionKey, const std::wstring& fileType) {
    if (extensionKey.OpenRelative(L"OpenWithProgids", registry_option::kOpenOnly, kRegistryStepAccess) ==
        RegistryOpen::kFailed)
        return;
    extensionKey.DeleteValue(fileType);
    const bool empty = extensionKey.IsEmpty();
    extensionKey.Close();
    if (empty)
        extensionKey.DeleteKey(L"OpenWithProgids", registry_option::kEmptyOnly);
}

// What the file type's own key needs; true when the key itself went.
bool RemoveFileTypeKeys(const FileAssociation& association, const std::wstring& fileType,
                        const std::wstring& verb, const std::wstring& backupName) {
    RegistryKey typeKey;
    if (typeKey.Open(HKEY_CLASSES_ROOT, fileType, registry_option::kOpenOnly, kRegistryStepAccess) ==
        RegistryOpen::kFailed)
        return false;
    RestoreDefault(typeKey, backupName);
    if (!association.icon.empty() && typeKey.OpenRelative(L"DefaultIcon", registry_option::kOpenOnly,
                                                          kRegistryStepAccess) != RegistryOpen::kFailed) {
        const bool restored = RestoreOrDeleteDefault(typeKey, backupName);
        const bool empty = typeKey.IsEmpty();
        typeKey.Close();
        if (empty && !restored)
            typeKey.DeleteKey(L"DefaultIcon", registry_option::kEmptyOnly);
    }
    if (typeKey.OpenRelative(L"shell", registry_option::kOpenOnly, kRegistryStepAccess) !=
        RegistryOpen::kFailed) {
        const bool defaultVerbRestored = RestoreDefault(typeKey, backupName);
        bool commandRestored = false;
        if (typeKey.OpenRelative(verb + L"\\command", registry_option::kOpenOnly, kRegistryStepAccess) !=
            RegistryOpen::kFailed) {
            commandRestored = RestoreOrDeleteDefault(typeKey, backupName);
            typeKey.Close();
        }
        if (commandRestored && typeKey.OpenRelative(verb, registry_option::kOpenOnly, kRegistryStepAccess) !=
                                   RegistryOpen::kFailed) {
            RestoreDefault(typeKey, backupName);  // the caption of a verb that stays
            typeKey.Close();
        }
        if (!commandRestored)
            typeKey.DeleteKey(verb, 0);
        // Without a backup the default verb goes when it names this verb or a verb that is no
        // longer there; a default another program chose for its own verbs stays.
        std::wstring defaultVerb;
        if (!defaultVerbRestored && typeKey.ReadText(L"", defaultVerb) && !defaultVerb.empty()) {
            RegistryKey probe;
            const bool named = probe.Open(typeKey.Handle(), defaultVerb, registry_option::kOpenOnly,
                                          KEY_QUERY_VALUE) != RegistryOpen::kFailed;
            if (EqualIgnoringCase(defaultVerb, verb) || !named)
                typeKey.DeleteValue(L"");
        }
        const bool empty = typeKey.IsEmpty();
        typeKey.Close();
        if (empty)
            typeKey.DeleteKey(L"shell", registry_option::kEmptyOnly);
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!typeKey.Counts(subkeys, values) || subkeys != 0)
        return false;
    typeKey.Close();
    return DeleteRegistryKey(HKEY_CLASSES_ROOT, fileType, 0, kRegistryStepAccess);
}

void RemoveAssociation(const FileAssociation& association, const std::wstring& backupName) {
    const std::wstring extension = AnsiCodePageToUtf16(association.extension);
    const std::wstring fileType = AnsiCodePageToUtf16(association.fileType);
    const std::wstring verb = AnsiCodePageToUtf16(association.verb);
    bool extensionRestored = false;
    {
        RegistryKey extensionKey;
        if (extensionKey.Open(HKEY_CLASSES_ROOT, extension, registry_option::kOpenOnly,
                              kRegistryStepAccess) != RegistryOpen::kFailed) {
            extensionRestored = RestoreDefault(extensionKey, backupName);
            if (EqualIgnoringCase(verb, L"open"))
                RemoveOpenWithEntry(extensionKey, fileType);
        }
    }
    if (!RemoveFileTypeKeys(association, fileType, verb, backupName) || extensionRestored)
        return;
    // The file type is gone: what still points to it in the extension goes too (an "Open
    // With" entry is also made for verbs other than "open"), and the extension key itself
    // only when that leaves it empty: it may hold another program's values.
    RegistryKey extensionKey;
    if (extensionKey.Open(HKEY_CLASSES_ROOT, extension, registry_option::kOpenOnly, kRegistryStepAccess) ==
        RegistryOpen::kFailed)
        return;
    std::wstring current;
    if (extensionKey.ReadText(L"", current) && EqualIgnoringCase(current, fileType))
        extensionKey.DeleteValue(L"");
    RemoveOpenWithEntry(extensionKey, fileType);
    const bool empty = extensionKey.IsEmpty();
    extensionKey.Close();
    if (empty)
        DeleteRegistryKey(HKEY_CLASSES_ROOT, extension, registry_option::kEmptyOnly, kRegistryStepAccess);
}

}  // namespace

void RemoveFileAssociations(std::span<const FileAssociation> associations, std::wstring_view displayName) {
    const std::wstring backupName = AssociationBackupName(displayName);
    for (const FileAssociation& association : associations)
        if (!association.extension.empty() && !association.fileType.empty())
            RemoveAssociation(association, backupName);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace vantrel
