// Writes the operating-system installer variables, as the engine sees them, into the file
// named by its argument (UTF-8, one "Token=value" line each). It carries the engine's
// manifest, so Windows reports the same version to it as to the engine.
#include <windows.h>

#include <string>

#include "context/install_session.h"
#include "context/installer_variables.h"
#include "format/text_encoding.h"
#include "ui/user_interface.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const vantrel::Settings settings;
    const vantrel::CommandLineOptions options;
    vantrel::SilentUserInterface ui;
    const vantrel::InstallSession session(settings, options, ui);
    std::wstring report;
    for (const wchar_t* token :
         {L"%OS%", L"%OSMajor%", L"%OSMinor%", L"%OSServer%", L"%OSName%", L"%OSDescription%", L"%Bits%",
          L"%ProgramsDir32%", L"%ProgramsDir64%", L"%CommonDir32%", L"%CommonDir64%"}) {
        std::wstring value = token;
        vantrel::ExpandVariables(session, value);
        report += std::wstring(token) + L"=" + value + L"\n";
    }
    const std::string bytes = vantrel::Utf16ToUtf8(report);
    HANDLE file =
        CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 4;
}
