#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel::builder {

// Number of messages in the default table (the highest number the engine uses, plus one).
inline constexpr std::size_t kDefaultMessageCount = 115;

// The installer's English texts by message number. Numbers the engine does not use are empty.
// Page texts use the markers "<product>", "<description>" and "<os>"; texts that go to the
// uninstaller use installer variables such as %ProductName%, which are expanded when the
// uninstall data is written; "%s" and "%d" mark the values formatted into a text.
const std::vector<std::wstring>& DefaultEnglishMessages();

inline constexpr wchar_t kDefaultLanguageName[] = L"English";

}  // namespace vantrel::builder
