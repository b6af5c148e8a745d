#pragma once

#include <functional>
#include <string>

namespace vantrel {

class InstallLog;
class UninstallData;

// A control-panel applet (kind 12), registered by the extraction as soon as its file is
// written (also when it waits for replacement at the next restart).
struct AppletInput {
    std::wstring path;
    std::wstring name;       // the record's name, or the file name
    std::wstring classId;    // "{...}"
    std::wstring arguments;  // may be empty
};

// Registers the applet's class and its Control Panel namespace entry under HKLM, records
// both keys for removal and logs the result. False at the first failing step.
bool RegisterControlPanelApplet(const AppletInput& applet,
                                const std::function<void(const std::wstring&)>& showStatus, InstallLog& log,
                                UninstallData& uninstallData);

}  // namespace vantrel
