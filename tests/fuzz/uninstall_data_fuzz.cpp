// The uninstaller's record of an installation, read as the uninstaller reads it from disk.
// Whatever the reader makes of the bytes must come back unchanged when written and read
// again (less what the writer leaves out by design), or a rewritten file would undo
// something else than what was installed.
#include <string_view>

#include "format/uninstall_data_file.h"
#include "fuzz_input.h"

using namespace vantrel;

namespace {

// What writing and reading back keeps of a content that was read.
UninstallDataContent AsWrittenAndRead(const UninstallDataContent& read) {
    UninstallDataContent expected = read;
    // The two empty lines that introduce the first section stay with the removal list.
    expected.removalList.emplace_back();
    expected.removalList.emplace_back();
    // Only the strings of the uninstaller's table are written, missing ones as empty lines.
    expected.strings.clear();
    for (const int number : kUninstallStringNumbers) {
        const auto found = read.strings.find(number);
        expected.strings[number] = found == read.strings.end() ? std::wstring() : found->second;
    }
    // A line of three fields has no icon; when its verb ends with "~!", the separator the
    // writer puts after it makes another split. No writer makes such a verb.
    for (const FileAssociation& association : read.associations) {
        if (association.verb.ends_with("~!")) {
            expected.associations.clear();
            break;
        }
    }
    // Only deletions meant for the uninstallation are written.
    expected.deletions.clear();
    for (const FileDeletion& deletion : read.deletions)
        if (deletion.flags & 0x8)
            expected.deletions.push_back(deletion);
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const UninstallDataContent read = ParseUninstallData(bytes);
    for (const std::string& line : read.removalList)
        RemovalPathOf(line);
    UninstallDataContent again = ParseUninstallData(BuildUninstallData(read));
    const UninstallDataContent expected = AsWrittenAndRead(read);
    if (expected.associations.empty())
        again.associations.clear();
    FUZZ_CHECK(again == expected);
    return 0;
}
