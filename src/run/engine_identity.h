#pragma once

namespace vantrel {

// The engine's own name and the payload format version it reads. The version string must
// match the one the builder writes into every payload header.
inline constexpr const wchar_t* kEngineName = L"Vantrel Setup";
inline constexpr const char* kEngineNameA = "Vantrel Setup";
inline constexpr const char* kEngineVersion = "41.1.1";
inline constexpr const wchar_t* kEngineVersionW = L"41.1.1";

}  // namespace vantrel
