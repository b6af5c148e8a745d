#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace vantrel {

class FailureList;
class InstallLog;
class UninstallData;

// An MSI package (kind 11), installed by the extraction as soon as its file is written.
struct MsiPackageInput {
    std::wstring path;
    std::uint32_t flags = 0;  // bit 0x80: removed with the product
    int interfaceLevel = 0;   // the record's level; 2 in silent mode
};

inline constexpr std::uint32_t kMsiRemoveWithProduct = 0x80;

// Installs the package with "REBOOT=R", logs the result, lists a failure, and records a
// package that goes with the product for the uninstaller. `showStatus` (message 77) may be
// empty. Returns the installer's result.
unsigned InstallMsiPackage(const MsiPackageInput& package, HWND owner,
                           const std::function<void(const std::wstring&)>& showStatus, InstallLog& log,
                           FailureList& failures, UninstallData& uninstallData);

}  // namespace vantrel
