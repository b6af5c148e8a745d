#include "uninstall/registry_script_removal.h"

#include <algorithm>
#include <string>

#include "format/registry_instructions.h"
#include "format/text_encoding.h"
#include "support/registry_all_users.h"
#include "support/registry_key.h"

namespace vantrel {
namespace {

bool RemovedAtUninstall(std::uint32_t mode) {
    return mode == registry_mode::kDeleteAtUninstall || mode == registry_mode::kWriteDelete ||
           mode == registry_mode::kDeleteAlways;
}

void RemoveKeyIfEmpty(const std::wstring& path, REGSAM access) {
    if (std::count(path.begin(), path.end(), L'\\') < 2)
        return;
    if (IsAllUsersPath(path)) {
        AllUsersDeleteKey(std::wstring_view(path).substr(kAllUsersRoot.size()), registry_option::kEmptyOnly,
                          access);
        return;
    }
    HKEY root = nullptr;
    std::wstring_view subkey;
    // A path that names a root alone is never deleted.
    if (FindRegistryRoot(path, root, subkey) && !subkey.empty())
        DeleteRegistryKey(root, subkey, registry_option::kEmptyOnly, access);
}

}  // namespace

void RemoveRegistryScript(std::string_view script, bool view64) {
    const REGSAM access = kRegistryStepAccess | (view64 ? KEY_WOW64_64KEY : 0);
    for (const RegistryInstruction& instruction : ReadRegistryInstructions(Utf8ToUtf16(script))) {
        if (instruction.keyOnly)
            RemoveKeyIfEmpty(instruction.keyPath, access);
        else if (RemovedAtUninstall(instruction.mode))
            DeletePathValue(instruction.keyPath, instruction.valueName, registry_option::kOpenOnly, access);
    }
}

}  // namespace vantrel
