#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

class FailureList;
class InstallLog;

// Expands the installer variables of a text in place.
using ExpandText = std::function<void(std::wstring&)>;

// What the registry step needs of the payload settings.
struct RegistryStepSettings {
    std::wstring_view productRegistryKey;     // below "Software\"; empty: no product key
    std::wstring_view instructions;           // the registry instruction text
    std::span<const std::uint8_t> mergeText;  // a registry editor file, imported unchanged
    bool view64 = false;                      // the product is 64-bit: work in the 64-bit view
    // A portable installation that leaves the registry alone: no product key and no
    // instructions; the merge file is still imported.
    bool skipKeysAndInstructions = false;
};

// The registry step of the installation sequence, run after the shortcuts and before the
// file associations: the product key, the instructions, then the merge file. Nothing here
// stops the installation; failures go to `failures`. The caller shows the step's status line
// and saves the instruction text for the uninstaller.
void RunRegistryStep(const RegistryStepSettings& settings, const ExpandText& expand, InstallLog& log,
                     FailureList& failures);

// The access mask of the step's keys: with the 64-bit view when asked.
REGSAM RegistryStepAccess(bool view64);

// "Software\<productKey>" in every user hive and under HKEY_LOCAL_MACHINE.
void CreateProductRegistryKey(std::wstring_view productKey, REGSAM access, FailureList& failures);

// Walks the instruction records in order (keys to create, values to write or delete,
// illegal records reported).
void ApplyRegistryInstructions(std::wstring_view text, REGSAM access, const ExpandText& expand,
                               FailureList& failures);

// Writes the merge text to a temporary ".reg" file and starts the registry editor from the
// Windows folder on it without waiting; the file is deleted at the next restart, since the
// editor may still be reading it. Returns the file's path (empty when none was written).
std::wstring ImportRegistryMergeFile(std::span<const std::uint8_t> mergeText, InstallLog& log,
                                     FailureList& failures);

}  // namespace vantrel
