#pragma once

#include <string>

namespace vantrel {

// The batch file with which a finished uninstaller removes itself and its emptied folders
// after its process has ended: it tries to delete the uninstaller, pausing a second between
// tries and giving up after about three minutes (a hidden console must never spin for
// ever), then pauses three seconds, removes the uninstall folder and its parents up to the
// installation folder (only those that are empty: "rd" takes nothing else), and deletes
// itself. Programs it starts are named by their full path in the system folder.

// The text (before encoding). `uninstallSubdir` is relative to `installDir`.
std::wstring SelfDeletionBatchText(const std::wstring& uninstallerPath, const std::wstring& installDir,
                                   const std::wstring& uninstallSubdir, const std::wstring& batchPath,
                                   const std::wstring& systemFolder);

// Writes "delunins.bat" in `folder` (the temporary folder when empty), encoded for the
// command interpreter, and starts it hidden in a console of its own. False when the batch
// could not be written or started.
bool StartSelfDeletionBatch(const std::wstring& uninstallerPath, const std::wstring& installDir,
                            const std::wstring& uninstallSubdir, const std::wstring& folder = {});

}  // namespace vantrel
