#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vantrel {

class FailureList;

// What lowering the shared-file counts needs from the uninstaller.
struct SharedFileCountContext {
    // Asks before deleting a file whose count reached zero; none deletes without asking.
    std::function<bool(const std::wstring& path)> confirmDeletion;
    // Unregisters a COM server / a type library before its file goes. Defaults: regsvr32 from
    // the system folder of `view` (then the library's own unregistration function), and the
    // system's type-library unregistration.
    std::function<void(const std::wstring& path)> unregisterComServer;
    std::function<void(const std::wstring& path)> unregisterTypeLibrary;
    // Called after an unregistration (the progress window comes back to the front).
    std::function<void()> afterUnregistration;
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring keyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    REGSAM view = 0;  // KEY_WOW64_64KEY for a 64-bit product
};

// Lowers the count of every entry of the product's shared-file list (double-quoted paths in
// encoded text, separated by ";", each possibly ending in the markers "^" COM server, " "
// never delete, 0xA9 type library, in that order from the end). A file whose count stays at
// 1 or more is kept; one whose count reaches 0 is unregistered and deleted unless it is
// never to be deleted; an entry without a count is left alone. An unopenable count key adds
// the registry error to `failures`. Returns false in that case.
bool LowerSharedFileCounts(const std::string& sharedFiles, const SharedFileCountContext& context,
                           FailureList& failures);

// Runs "regsvr32.exe /s /u" on the file from the system folder of the product's bitness
// (never through the search path), hidden, and waits; when it fails, calls the library's
// DllUnregisterServer itself.
void UnregisterComServer(const std::wstring& path, bool product64Bit);
void UnregisterTypeLibrary(const std::wstring& path);

}  // namespace vantrel
