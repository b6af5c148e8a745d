#include "actions/component_registration.h"

#include <oleauto.h>
#include <setupapi.h>

#include "actions/guarded_step.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_format.h"
#include "support/system_info.h"
#include "support/system_library.h"
#include "support/system_program.h"
#include "support/window_messages.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

constexpr DWORD kErrorNoCatalogForInf = 0xE000022F;

void ShowStatus(const RegistrationServices& services, const std::wstring& path) {
    if (services.showStatus)
        services.showStatus(path);
}

// regsvr32 of the product's bitness; nothing when it could not be started.
std::optional<DWORD> RunRegsvr32(const std::wstring& arguments, const std::wstring& path, bool sixtyFourBit) {
    const std::wstring program = SystemProgramPath(L"regsvr32.exe", sixtyFourBit);
    return RunHiddenAndWait(program, L"\"" + program + L"\" " + arguments + L" \"" + path + L"\"",
                            SystemFolderForBitness(sixtyFourBit));
}

// Loads the DLL (its own folder first for its dependencies) and calls one of its
// self-registration functions. False when the DLL or the function is missing.
bool CallSelfRegistration(const std::wstring& path, const char* function, HRESULT* result) {
    const UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = ModuleFunction<Entry>(library.Get(), function);
    if (entry == nullptr)
        return false;
    const HRESULT returned = entry();
    if (result != nullptr)
        *result = returned;
    return true;
}

}  // namespace

void RegisterComServers(const std::vector<ComponentInput>& servers, bool sixtyFourBit,
                        const RegistrationServices& services, InstallLog& log, FailureList& failures) {
    for (const ComponentInput& server : servers) {
        log.WriteLogFormat(std::wstring_view(L"Registering COM File \"%s\"..."), {server.path});
        ShowStatus(services, server.path);
        const bool crashed = StepCrashed([&] {
            const std::optional<DWORD> exitCode = RunRegsvr32(L"/s", server.path, sixtyFourBit);
            const DWORD code = exitCode.value_or(static_cast<DWORD>(-1));
            // Whatever DllRegisterServer returns, having called it counts as registered.
            const bool registered =
                code == 0 || CallSelfRegistration(server.path, "DllRegisterServer", nullptr);
            if (registered)
                log.WriteLog(std::string_view("OK\r\n"));
            else
                log.WriteLogFormat(std::wstring_view(L"FAILED, code %d\r\n"), {static_cast<long>(code)});
        });
        if (crashed) {
            log.WriteLog(std::string_view("CRASHED!\r\n"));
            failures.Append(L"Crashed while registering COM file " + FileNameOf(server.path) + L"\r\n");
        }
    }
}

HRESULT RegisterTypeLibraryFile(const std::wstring& path) {
    ITypeLib* typeLibrary = nullptr;
    HRESULT result = LoadTypeLib(path.c_str(), &typeLibrary);
    if (SUCCEEDED(result)) {
        std::wstring registeredPath = path;  // the call takes a writable text
        result = RegisterTypeLib(typeLibrary, registeredPath.data(), nullptr);
        typeLibrary->Release();
    }
    return result;
}

void RegisterTypeLibraries(const std::vector<ComponentInput>& libraries, const RegistrationServices& services,
                           InstallLog& log, FailureList& failures) {
    for (const ComponentInput& library : libraries) {
        log.WriteLogFormat(std::wstring_view(L"Registering Type Library \"%s\"..."), {library.path});
        ShowStatus(services, library.path);
        const bool crashed = StepCrashed([&] {
            const HRESULT result = services.registerTypeLibrary(library.path);
            if (SUCCEEDED(result))
                log.WriteLog(std::string_view("OK\r\n"));
            else
                log.WriteLogPieces({L"FAILED\r\n", SystemErrorText(static_cast<unsigned long>(result)),
                                    std::wstring_view(L"\r\n")});
        });
        if (crashed) {
            log.WriteLog(std::string_view("CRASHED!\r\n"));
            failures.Append(L"Crashed while registering TLB file " + FileNameOf(library.path) + L"\r\n");
        }
    }
}

void ReturnToMainWindow(const RegistrationServices& services) {
    DispatchPendingMessages();
    if (services.mainWindow != nullptr)
        SetActiveWindow(services.mainWindow);
}

std::wstring DriverFailureText(DWORD code) {
    std::wstring text = SystemErrorText(code);
    if (code == kErrorNoCatalogForInf && (text.empty() || text.starts_with(L"Error 0x")))
        text = L"The INF does not contain digital signature information.";
    return text;
}

void InstallDrivers(const std::vector<std::wstring>& infFiles, const RegistrationServices& services,
                    InstallLog& log, UninstallData& uninstallData, const InfCopier& copier) {
    if (infFiles.empty())
        return;
    InfCopier copy = copier;
    UniqueLibrary setupApi;
    if (!copy) {
        setupApi = UniqueLibrary(LoadSystemLibrary(L"setupapi.dll"));
        if (!setupApi) {
            log.WriteLog(std::string_view("Cannot install INF files...unable to open Setupapi.dll\r\n"));
            return;
        }
        using CopyOemInf = BOOL(WINAPI*)(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*);
        const auto copyOemInf = ModuleFunction<CopyOemInf>(setupApi.Get(), "SetupCopyOEMInfW");
        if (copyOemInf == nullptr) {
            log.WriteLog(
                std::string_view("Cannot install INF files...unable to link to SetupCopyOEMInf()\r\n"));
            return;
        }
        copy = [copyOemInf](const std::wstring& infPath, wchar_t* destination, DWORD capacity) {
            return copyOemInf(infPath.c_str(), nullptr, SPOST_PATH, 0, destination, capacity, nullptr,
                              nullptr);
        };
    }
    log.WriteLog(std::string_view("\r\n"));
    for (const std::wstring& inf : infFiles) {
        ShowStatus(services, inf);
        log.WriteLogPieces({L"Installing driver \"", inf, L"\"..."});
        wchar_t destination[MAX_PATH] = {};
        if (copy(inf, destination, MAX_PATH)) {
            const std::wstring installed(destination);
            if (installed.empty()) {
                log.WriteLog(std::string_view("OK, but resulting filepath is unknown\r\n"));
            } else {
                log.WriteLogPieces({L"OK\r\nFinal driver location: ", installed, L"\r\n"});
                uninstallData.AddInfLine(installed);
            }
        } else {
            const DWORD code = GetLastError();
            log.WriteLogFormat(std::wstring_view(L"FAILED!  Code 0x%08X: %s\r\n"),
                               {code, DriverFailureText(code)});
        }
    }
}

}  // namespace vantrel
