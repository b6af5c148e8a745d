#pragma once

#include <string>
#include <vector>

namespace vantrel {

// The folders of this machine that no removal may ever take away, as the system names them:
// the Windows and system folders, both Program Files and Common Files folders, the fonts
// folder, the profile folder and the folder holding all profiles, every shell folder of the
// user and of all users (Desktop, Documents, Downloads, Music, Pictures, Videos, Favorites,
// Start Menu, Programs, Startup, application data roaming and local, the all-users
// application data, Public) and the temporary folders. Folders the system does not have are
// left out; the list may hold duplicates.
std::vector<std::wstring> SystemProtectedFolders();

}  // namespace vantrel
