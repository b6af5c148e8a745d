#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Adds one restart operation to the text of the old restart file "wininit.ini": the line
// "<left>=<right>" ("NUL=<file>" deletes, "<target>=<source>" replaces). It goes directly
// after the "[rename]" header (found in any letter case at the start of a line), so the
// newest entry comes first; without that section, "[rename]" and the line are appended at
// the end, on a line of their own.
std::string AddWininitRename(std::string iniText, std::string_view left, std::string_view right);

}  // namespace vantrel
