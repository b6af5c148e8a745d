#pragma once

#include <string_view>

namespace vantrel {

// The product's own registry key (below "Software") is deleted by the uninstaller with
// everything under it, in the machine's hive and in every user's. A key that other software
// shares would take that software's settings with it, so such a key is never accepted:
// an empty or blank key, a path with an empty, "." or ".." component, a single well-known
// shared key ("Microsoft", "Classes", "Policies", "Wow6432Node", "Clients",
// "RegisteredApplications" and the like), or any path below one of the keys that no product
// owns ("Classes", "Policies", "Wow6432Node", "Clients", "RegisteredApplications").
bool IsRemovableProductRegistryKey(std::wstring_view key);

}  // namespace vantrel
