#pragma once

#include <span>
#include <string_view>

#include "format/uninstall_data_file.h"

namespace vantrel {

// The uninstaller's removal of the file associations (its step after the first uninstall
// batch): for each recorded extension, file type and verb, restores every default value the
// installation backed up, removes the verb, the file type's keys it made and the
// "Open With" entry, and removes an extension key only when nothing else is left in it.
// `displayName` names the backup values as the installation named them. Ends by telling the
// shell; the pause after it is the caller's. Failures are not reported.
void RemoveFileAssociations(std::span<const FileAssociation> associations, std::wstring_view displayName);

}  // namespace vantrel
