#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/settings.h"
#include "format/uninstall_data_file.h"

namespace vantrel {

class FailureList;
class InstallLog;

// What the association step needs besides the records.
struct AssociationStepSettings {
    std::span<const FileAssociationRecord> records;
    std::wstring_view languageName;  // the wizard language chosen; records for others are passed over
    std::wstring_view productName;   // names the backup values
    std::wstring_view installDir;    // relative icon paths are taken from here
    // A portable installation that registers no file types.
    bool skip = false;
};

// The name of the value that keeps what a default value held before the installation:
// the product name followed by " Backup", without backslashes, line breaks and tabs.
std::wstring AssociationBackupName(std::wstring_view productName);

// The value rules both sides share: a blank value (empty or only spaces, tabs and line
// breaks) is never backed up or restored; values are compared without regard to case.
bool IsBlankValue(std::wstring_view text);
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b);

// The file-association step of the installation sequence, run after the registry step and
// before the firewall step: binds the extensions to their file types under
// HKEY_CLASSES_ROOT, with description, icon and verbs, keeping every replaced default value
// in a backup value; records one uninstall line per extension and verb; then tells the
// shell. The uninstall lines are appended to `uninstallLines` (the uninstall data's
// associations). Failures go to `failures`, the rest to the log. A crash inside it is caught:
// "Crashed while installing associations." goes to the failure list and the run goes on.
void InstallFileAssociations(const AssociationStepSettings& settings,
                             const std::function<void(std::wstring&)>& expand, InstallLog& log,
                             FailureList& failures, std::vector<FileAssociation>& uninstallLines);

// The same without the crash guard.
void InstallFileAssociationsUnguarded(const AssociationStepSettings& settings,
                                      const std::function<void(std::wstring&)>& expand, InstallLog& log,
                                      FailureList& failures, std::vector<FileAssociation>& uninstallLines);

}  // namespace vantrel
