#pragma once

#include <cstdint>
#include <string>

#include "format/settings.h"

namespace vantrel {

// Silent mode's rewrite of ProductFlags: no folder page, background window, questions or
// progress dialog; applied right after the flags are read.
void ApplySilentModeFlags(Settings& settings);

// ProductFlags2 as the running system can honour it: before XP the buttons cannot show a
// picture beside their text, so the wish for pictures is dropped.
std::uint32_t ProductFlags2ForPlatform(std::uint32_t productFlags2, bool olderThanXp);

// The default that belongs to settings field `field`, applied as soon as that field has
// been read: the product name from /n: (when given), and the texts that fall back to the
// product name (12, 17, 32, 47 with high bit 0x4000000) or to the company name (15).
void ApplyFieldDefault(Settings& settings, int field, const std::wstring& productNameOverride);

}  // namespace vantrel
