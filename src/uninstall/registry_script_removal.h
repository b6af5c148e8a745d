#pragma once

#include <windows.h>

#include <string_view>

namespace vantrel {

// The uninstaller's step over the saved registry instructions (the [Registry2] text, UTF-8):
// a key record deletes its key when it is empty and its path holds at least two
// backslashes; a value record whose mode removes the value at uninstallation (delete at
// uninstall, write and delete, delete always) deletes it; "\HKAU\" paths are applied in
// every user hive; everything else is kept. Failures are not reported.
void RemoveRegistryScript(std::string_view script, bool view64);

}  // namespace vantrel
