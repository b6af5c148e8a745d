#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/shortcuts.h"

namespace vantrel {

class FailureList;
class UserInterface;

// The uninstaller's undoing of fonts, shared files, taskbar pins, MSI packages and drivers.
// Each function is one step of the uninstaller's removal order; the uninstaller shows the
// status line and progress around it and sleeps after it where its order says so.

// A question of the uninstaller: the formatted text and its title. Null means "yes".
struct RemovalQuestion {
    UserInterface* ui = nullptr;  // null when the user interface is off
    std::wstring textFormat;      // "%s" is the font or file
    std::wstring title;
};

// Fonts step: "ProductFonts" holds pairs of quoted texts (font name, file name relative to
// the system Fonts folder). With `ask` set, each font is asked about first (No skips it).
// Removes the registry value, the font resource and the file; broadcasts the change once
// when any font went. Returns the number removed. The caller then writes "ProductFonts"
// back as an empty text.
int RemoveProductFonts(std::wstring_view productFonts, const std::wstring& fontsFolder, bool ask,
                       const RemovalQuestion& question);

// Shared-files step: lowers the counts of the quoted entries of "SharedFiles" (8-bit text;
// markers "^" COM server, " " never delete, 0xA9 type library). A file whose count reaches
// zero is unregistered (COM server, type library) and deleted, after the question when
// `ask` is set. `reactivate` brings the progress window back after an unregistration. An
// inaccessible count key is listed as a failure and false returned: the caller deletes
// "SharedFiles" only after true, so a later run tries again. A missing count key lowers
// nothing and is no failure: every entry would be left alone as uncounted.
bool LowerProductSharedFileCounts(std::string_view sharedFiles, bool sixtyFourBit, bool ask,
                                  const RemovalQuestion& question, const std::function<void()>& reactivate,
                                  FailureList& failures);

// Unregisters a COM server: regsvr32 /u (the product's bitness), else DllUnregisterServer.
void UnregisterComServerFile(const std::wstring& path, bool sixtyFourBit);
// Unregisters the type library a file holds; false when it cannot be read or unregistered.
bool UnregisterTypeLibraryFile(const std::wstring& path);

// Taskbar step: "taskbarunpin" on every removal-list file under a "User Pinned" folder.
void UnpinTaskbarShortcuts(const std::vector<std::string>& removalList,
                           const ShellVerbRunner& runVerb = RunShellVerb);

// MSI step: removes each [MSI] line's package with "REBOOT=R REMOVE=ALL" at its interface
// level. A failure is listed ("Failed to uninstall ...") and its line goes to
// `remainingLines` for the rewritten data file.
void RemoveMsiPackages(const std::vector<std::string>& msiLines, FailureList& failures,
                       std::vector<std::string>& remainingLines);

// The system call that removes an INF copy by its file name; tests replace it.
using InfRemover = std::function<BOOL(const std::wstring& infFileName)>;

// Drivers step: each [INF] line's copy loses its read-only attribute and is removed by
// file name with the force-delete flag; skipped without setupapi or its function. An empty
// remover means the system's SetupUninstallOEMInfW.
void RemoveDrivers(const std::vector<std::string>& infLines, const InfRemover& remover = {});

}  // namespace vantrel
