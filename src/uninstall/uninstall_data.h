#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "format/uninstall_data_file.h"

namespace vantrel {

class FailureList;
class MessageTable;

// The records an installation leaves for its uninstaller, collected in memory while it runs
// and written once as Uninstall.DAT; the uninstaller reads them back into the same object,
// consumes them and writes what remains.
class UninstallData {
  public:
    // Records an object for removal: the path as UTF-16 (stored as encoded text) or already
    // encoded. False, and nothing recorded, for a path whose encoded form is 3 bytes or
    // shorter (a drive root) and for a folder recorded before (letter case aside).
    bool RecordRemoval(std::wstring_view path, RemovalKind kind);
    bool RecordEncodedRemoval(std::string_view encodedPath, RemovalKind kind);

    // Lines of the other sections. Line ends in what is given are dropped.
    void AddAssociation(FileAssociation association);
    void AddFirewallLine(std::string_view line);
    void AddInfLine(std::wstring_view infPath);
    void AddMsiLine(std::wstring_view packagePath, int uiLevel);
    // The registry script (UTF-16 as the payload holds it; stored as UTF-8).
    void SetRegistryScript(std::wstring_view script);

    // Empties the removal list and forgets the recorded folders.
    void ResetRemovalList();

    // Prepares the rewrite after a partial uninstallation: the removal list holds only the
    // files that could not be deleted (their lines as read, unchanged), [MSI] only the
    // packages whose removal failed, and there are no [Associations], [Firewall] or [INF]
    // lines. Strings, [AutoClose], [Registry2] and the unfinished conditional deletions stay.
    void KeepOnlyWhatRemains(const std::vector<std::string>& remainingFileLines,
                             const std::vector<std::string>& remainingMsiLines);

    // The installer strings in the installation's language, through `expand` (installer
    // variables), and the product title.
    template <class Expand>
    void SetStrings(const MessageTable& messages, std::wstring_view productTitle, Expand&& expand);

    UninstallDataContent& Content() { return content_; }
    const UninstallDataContent& Content() const { return content_; }

    // Writes Uninstall.DAT so that the old file stays whole until the new one is complete:
    // into a temporary file beside it, flushed, then moved over it. On failure adds message
    // 31, the path and the system's text to the failure list and returns false.
    bool Write(const std::wstring& path, FailureList& failures, const MessageTable& messages) const;

    // Reads Uninstall.DAT; returns the system error code of the read (0 on success, when the
    // collections hold what the file holds; on failure they are left as they were).
    unsigned long Read(const std::wstring& path);

  private:
    UninstallDataContent content_;
    std::set<std::wstring> recordedFolders_;  // case-folded
};

// The text the uninstaller shows when Uninstall.DAT cannot be read.
std::wstring UninstallDataLoadFailureText(std::wstring_view displayName, std::wstring_view path,
                                          unsigned long errorCode);

// A path of the removal list decoded for use; nothing when it must not be acted on: text
// that does not decode (broken UTF-8 after "|"), a relative path, or a path with ".."
// components. The uninstaller reports such a line as a failure instead of deleting anything.
std::optional<std::wstring> DecodeRecordedPath(std::string_view encodedPath);

template <class Expand>
void UninstallData::SetStrings(const MessageTable& messages, std::wstring_view productTitle,
                               Expand&& expand) {
    content_.strings.clear();
    for (const int number : kUninstallStringNumbers) {
        std::wstring text = messages.Text(static_cast<std::size_t>(number));
        expand(text);
        content_.strings[number] = std::move(text);
    }
    content_.productTitle = productTitle;
}

}  // namespace vantrel
