#pragma once

#include <string>

namespace vantrel {

// The installer's temporary folder, determined once per process: the system's temporary
// path; if that folder does not exist, "temp" in the Windows folder; if that does not exist
// either, "c:\temp", which is created. No trailing backslash (a drive root keeps its own).
const std::wstring& TemporaryFolder();

namespace temp_name {
// Stay in the given folder: no switch to the temporary folder or "c:\temp" after many tries.
inline constexpr unsigned kKeepFolder = 0x1;
}  // namespace temp_name

// Makes a unique temporary file name ("QVT....") in `folder` (created if missing; the
// temporary folder when empty). Without an extension the system's unique-name function is
// tried first (it creates the file). Otherwise names "QVT%4X.<extension>" are tried: with an
// extension the file is created exclusively, without one the name is taken when no such file
// exists. Returns the full path, or an empty text when no name could be made.
std::wstring MakeTempFileName(const std::wstring& folder, const std::wstring& extension, unsigned flags = 0);

}  // namespace vantrel
