#pragma once

#include "format/engine_version.h"

namespace vantrel {

// The engine's own name; its version (kEngineVersion, kEngineVersionW) comes from the
// project's version, and the payload format it reads carries the same version.
inline constexpr const wchar_t* kEngineName = L"Vantrel Setup";

}  // namespace vantrel
