#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

class FailureList;
class InstallLog;
class MessageTable;
class UninstallData;

// COM servers, type libraries and drivers, registered by the installation sequence after the
// shared-file counts, in that order.

// A COM server (kind 7) or type library (kind 8) the extraction handed over.
struct ComponentInput {
    std::wstring path;
    std::uint32_t typeLibraryParameter = 0;  // the record's flag bits 13 and up (kind 8)
};

// LoadTypeLib and RegisterTypeLib for one file: the system's result.
HRESULT RegisterTypeLibraryFile(const std::wstring& path);

// What the registrations ask of the rest of the run; empty members do nothing.
struct RegistrationServices {
    std::function<void(const std::wstring& path)> showStatus;  // message 77 with the path
    HWND mainWindow = nullptr;                                 // made active again afterwards
    // Tests put a crashing registration in its place.
    std::function<HRESULT(const std::wstring& path)> registerTypeLibrary = RegisterTypeLibraryFile;
};

// Out of process through regsvr32 (the system folder of the product's bitness), else in
// process through DllRegisterServer. Logs each file; a crash is logged and listed as a
// failure and the next file follows.
void RegisterComServers(const std::vector<ComponentInput>& servers, bool sixtyFourBit,
                        const RegistrationServices& services, InstallLog& log, FailureList& failures);

// LoadTypeLib and RegisterTypeLib for each file, logged; crashes as for COM servers.
void RegisterTypeLibraries(const std::vector<ComponentInput>& libraries, const RegistrationServices& services,
                           InstallLog& log, FailureList& failures);

// The pending window messages are dispatched and the main window is made active again
// (after the COM servers and type libraries, when either list was not empty).
void ReturnToMainWindow(const RegistrationServices& services);

// The system call that copies an INF into the driver store: TRUE on success with the
// destination in `destination` (260 characters); tests replace it.
using InfCopier = std::function<BOOL(const std::wstring& infPath, wchar_t* destination, DWORD capacity)>;

// Installs the INF files through setupapi (from the system folder), logs each, and records
// the destinations the system reports for the uninstaller. An empty copier means the
// system's SetupCopyOEMInfW.
void InstallDrivers(const std::vector<std::wstring>& infFiles, const RegistrationServices& services,
                    InstallLog& log, UninstallData& uninstallData, const InfCopier& copier = {});

// The text of a driver failure: the system's, or the signature text for 0xE000022F when the
// system has none.
std::wstring DriverFailureText(DWORD code);

}  // namespace vantrel
