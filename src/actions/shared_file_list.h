#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

class FailureList;
class InstallLog;

// Shared-file reference counts, raised by the installation sequence after the font-change
// broadcast (only when an uninstaller is written and the installation is not portable).

// The registry key of the counts, under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Markers at the end of a shared-file entry.
namespace shared_marker {
inline constexpr char kComServer = '^';
inline constexpr char kPermanent = ' ';
inline constexpr char kTypeLibrary = '\xA9';
}  // namespace shared_marker

// A file the extraction handed over for counting: kinds 1 (shared), 6 (permanent system
// file), 7 (COM server) and 8 (type library).
struct SharedFileInput {
    std::wstring path;
    std::uint32_t kind = 0;
    bool permanent = false;  // the record's permanent flag
};

// The shared-file list: each entry the encoded path followed by its marker. Kinds 1 and 7
// are left out of a portable installation.
std::vector<std::string> BuildSharedFileList(const std::vector<SharedFileInput>& files, bool portable);

// Raises the count of every entry that `sharedFiles` (the earlier installation's text,
// quoted entries separated by ";") does not hold yet and adds those entries to it.
void RaiseSharedFileCounts(const std::vector<std::string>& list, std::string& sharedFiles, InstallLog& log,
                           FailureList& failures);

// The value name of an entry: the path without its markers ("^", then " ", then 0xA9).
std::string SharedEntryPath(std::string entry);

}  // namespace vantrel
