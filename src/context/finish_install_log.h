#pragma once

#include <string>

namespace vantrel {

class InstallSession;

// The header block of one entry of Install.log, built as UTF-16 (one line each; the last
// one ends with an empty line).
struct InstallLogHeader {
    std::wstring productName;
    std::wstring installDate;  // "yy/mm/dd HH:ii:ss"
    bool writesUninstaller = false;
    bool reinstall = false;
    std::wstring installLocation;
    std::wstring productVersion;
    std::wstring existingVersion;
    std::wstring osDescription;
};
std::wstring InstallLogHeaderText(const InstallLogHeader& header);

// "yy/mm/dd HH:ii:ss" of a local time.
std::wstring InstallDateText(int year, int month, int day, int hour, int minute, int second);

// Ends the installation log: decides the end-of-installation notice, writes Install.log when
// the product asks for a log or there were failures (appending to an earlier log after a
// separator, converting an old Windows-1252 log once), offers the log after failures, and
// deletes the body file. `failures` is a copy of the FailureList; `reinstall` is true when
// the same version is installed again; `finished` is false when called from the crash
// handler (no notice is shown then).
void FinishInstallLog(InstallSession& session, const std::wstring& failures, bool reinstall, bool finished);

}  // namespace vantrel
