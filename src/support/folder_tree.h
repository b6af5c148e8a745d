#pragma once

#include <string>

namespace vantrel {

// True when the path names an existing folder.
bool FolderExists(const std::wstring& path);

// Creates a folder and every missing parent. True when the folder exists afterwards.
bool CreateFolderTree(const std::wstring& path);

}  // namespace vantrel
