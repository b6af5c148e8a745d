#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantrel {

class InstallLog;

// Gives the written uninstaller the product's icon: every image of the icon file becomes an
// RT_ICON resource (numbers from 1, language 1033) and one RT_GROUP_ICON resource number 1
// lists them, replacing the program's own. Failures are logged, never reported: the
// uninstaller works with any icon. Called by the product registration after it wrote the
// uninstaller from the stub image.
void ReplaceUninstallerIcon(const std::wstring& uninstallerPath, std::span<const std::uint8_t> iconFile,
                            InstallLog& log);

}  // namespace vantrel
