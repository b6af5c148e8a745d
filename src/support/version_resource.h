#pragma once

#include <string>

namespace vantrel {

// The "FileVersion" text of a file's version resource, exactly as stored; empty when the file
// has no version resource or no such text. With several translations the first one the
// resource lists is read, then the usual English and neutral ones.
std::wstring ReadFileVersionText(const std::wstring& path);

}  // namespace vantrel
