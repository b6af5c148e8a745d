#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// What a shortcut (.lnk) file holds for the engine.
struct ShellLinkContent {
    std::wstring target;
    std::wstring arguments;      // not set when empty
    std::wstring workingFolder;  // not set when empty
    std::wstring iconPath;       // index 0
    int showCommand = SW_SHOWNORMAL;
};

// Prepares COM for the calling thread once per process; later calls do nothing. The engine
// works on one thread, so the shell-link object is always created on the thread that
// initialised COM (or OLE) first.
void EnsureComReady();

// Writes a shell link file through IShellLinkW and IPersistFile::Save (not remembered as
// the current file). Returns the failing call's result (S_OK on success); the folder of the
// link must exist.
HRESULT SaveShellLink(const std::wstring& linkPath, const ShellLinkContent& content);

// Reads a shell link file back: target, arguments, working folder, icon and the show
// command the interface reports.
HRESULT LoadShellLink(const std::wstring& linkPath, ShellLinkContent& content);

}  // namespace vantrel
