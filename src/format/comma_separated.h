#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Comma-separated records in UTF-16 text. A record ends at CR or LF outside double quotes;
// blank lines between records are skipped. Inside double quotes commas and line breaks are
// literal and two double quotes stand for one. Each field is trimmed of spaces, tabs, CR
// and LF at both ends, and a pair of enclosing double quotes is removed. No escapes, no
// comment lines.
std::vector<std::vector<std::wstring>> ReadCommaSeparatedRecords(std::wstring_view text);

// One field as the reader gets it back: quoted when it is empty, holds a comma, a double
// quote or a line break, or begins or ends with a space or tab.
std::wstring CommaSeparatedField(std::wstring_view field);

}  // namespace vantrel
