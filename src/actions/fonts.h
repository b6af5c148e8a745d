#pragma once

#include <string>

namespace vantrel {

// Fonts (kind 4): registered by the extraction as each font file is written; the sequence
// broadcasts the change once after extraction when any font was added.

// The Fonts key of the running Windows family under HKEY_LOCAL_MACHINE.
const wchar_t* FontsRegistryKey();

// Writes the font's registry value (named by the font, holding the file path) and adds the
// font resource. Results are ignored, as the fonts step never fails the installation.
void RegisterFont(const std::wstring& fontName, const std::wstring& fontPath);

// Tells every top-level window that the fonts changed (a window that hangs is skipped).
void BroadcastFontChange();

}  // namespace vantrel
