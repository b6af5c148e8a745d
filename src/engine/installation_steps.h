#pragma once

#include <functional>
#include <string>

#include "engine/install_run.h"
#include "format/os_version.h"

namespace vantrel {

// Helpers of the installation sequence that stand on their own, exposed for the tests.

// The bit of the running Windows in the excluded-versions mask; 0 when it has none.
std::uint32_t WindowsVersionBit(const OsVersionInfo& os);

// Reads a registry value given as one path: "HKLM\\key\\value" or "\\HKLM\\key\\value" (also
// HKCU, HKCR, HKU, HKCC and the long root names). Empty when the path or the value is missing.
std::wstring ReadRegistryPathValue(const std::wstring& path);
bool IsRegistryPath(const std::wstring& path);

// The default installation folder of the settings made usable: "<os>" becomes the Windows
// folder, `expand` fills in the installer variables, an empty text becomes the product name,
// and a relative folder is taken inside `programFiles`. "<master>" and the registry forms
// stay as they are, for the steps that resolve them.
std::wstring DefaultInstallFolder(std::wstring setting, const std::wstring& productName,
                                  const std::wstring& windowsFolder, const std::wstring& programFiles,
                                  const std::function<void(std::wstring&)>& expand);

// A message as the user reads it: "<product>", "<description>" and "<os>" replaced by the
// product name, its display name and the Windows name.
std::wstring WithProductMarkers(std::wstring text, const std::wstring& product,
                                const std::wstring& description, const std::wstring& windowsName);

// The command that removes an earlier installation and then starts this installer again:
// the uninstall command, " /r:\"", this installer's command line with its double quotes
// turned into backquotes, and a closing double quote.
std::wstring HandOverCommand(const std::wstring& uninstallCommand, const std::wstring& ownCommandLine);

// Starts a command line without waiting. A program named without a folder is taken from
// the system folder, never from the search path or the current folder. False with the
// system error code in place on failure.
bool StartCommand(const std::wstring& commandLine, const std::wstring& workingFolder = {});

// Splits a command into its program (quotes removed) and the rest.
void SplitCommand(const std::wstring& command, std::wstring& program, std::wstring& arguments);

}  // namespace vantrel
