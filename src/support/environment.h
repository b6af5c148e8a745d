#pragma once

#include <string>

namespace vantrel {

// An environment variable of this process; empty when it is not set or when its value is
// 65,536 characters or longer (such values are not taken).
std::wstring EnvironmentVariable(const wchar_t* name);

// ExpandEnvironmentStringsW with the engine's 32,000-character limit. Returns false (and
// leaves the text alone) when the system cannot expand it or the result does not fit.
bool ExpandEnvironmentText(std::wstring& text);

}  // namespace vantrel
