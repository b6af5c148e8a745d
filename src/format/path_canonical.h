#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The lexical part of comparing Windows paths: forward slashes become backslashes; the
// "\\?\", "\\?\UNC\", "\\.\" and "\??\" prefixes are taken off ("\\?\UNC\srv\share" is
// "\\srv\share"); "." and empty components go; ".." drops the component before it (never
// the root); trailing dots and spaces of each component go, as the file system ignores
// them; no trailing separator remains except a drive root's ("C:\"). Letter case is kept:
// folding it is the caller's (the system's case mapping).
std::wstring CanonicalPathText(std::wstring_view path);

// True when the path is absolute: a drive letter with a backslash ("C:\...") or a UNC path.
bool IsAbsolutePathText(std::wstring_view path);

// True when any component of the path is ".." (a path that climbs out of where it points).
bool HasParentSegment(std::wstring_view path);

// True when `folder` is `path` itself or one of its ancestors; both in the same canonical,
// case-folded form.
bool IsSameOrAncestorFolder(std::wstring_view folder, std::wstring_view path);

}  // namespace vantrel
