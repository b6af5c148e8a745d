#include "context/finish_install_log.h"

#include <windows.h>

#include <string>
#include <vector>

#include "context/install_session.h"
#include "context/view_install_log.h"
#include "run/engine_identity.h"
#include "format/message_table.h"
#include "format/os_version.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/file_access.h"
#include "support/os_info.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

constexpr std::string_view kSeparator = "\r\n\r\n**********************************************\r\n";

bool IsBlank(const std::wstring& text) {
    return text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
}

bool WriteBytes(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

bool WriteText(HANDLE file, std::wstring_view text) {
    return WriteBytes(file, Utf16ToUtf8(text));
}

std::string ReadWholeFile(HANDLE file, DWORD size) {
    std::string bytes(size, '\0');
    DWORD read = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (size > 0 && !ReadFile(file, bytes.data(), size, &read, nullptr))
        read = 0;
    bytes.resize(read);
    return bytes;
}

// An Install.log written by an old installer without the byte-order mark is Windows-1252
// text: it is converted to UTF-8 once, so that every later entry can simply be appended.
void ConvertOldLog(HANDLE file, DWORD size) {
    const std::string old = ReadWholeFile(file, size);
    if (old.size() != size || StartsWithUtf8Bom(old))
        return;
    const std::string converted = std::string(kUtf8Bom) + Windows1252ToUtf8(old);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (WriteBytes(file, converted))
        SetEndOfFile(file);
}

std::wstring CurrentInstallDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return InstallDateText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// The notice at the end of an installation that was not automatic: after failures a
// question whether to view the log (the answer lands in `viewLog`), else the completion
// message or the summary page.
void ShowEndNotice(const Settings& settings, UserInterface& ui, RunningProductFlags& flags,
                   const InstallLogSeams& seams, const std::wstring& logPath, const std::wstring& failures,
                   bool& viewLog) {
    using namespace product_flags;
    const MessageTable& messages = settings.messages;
    if (!failures.empty()) {
        const std::wstring text = FormatText(messages.Text(40), {logPath});
        const int answer =
            ui.ShowMessageBox(text, messages.Text(41), mb::kYesNo | mb::kIconQuestion | mb::kSetForeground);
        viewLog = answer == mb::kIdYes;
        return;
    }
    if (flags.low & kNoEndNotice)
        return;
    // Without a log the summary page has no log to offer.
    if ((flags.low & kCreateLog) == 0)
        flags.high &= ~kSummaryOffersLog;
    const bool noFinishActions = settings.launchApplication.empty() && settings.openItem.empty() &&
                                 settings.openItem2.empty() && (flags.high & kSummaryOffersLog) == 0;
    if (noFinishActions || (flags.low & kRebootNeeded) != 0) {
        ui.ShowMessageBox(messages.Text(42), messages.Text(43), mb::kOk | mb::kIconInformation);
    } else if (seams.showSummaryPage) {
        seams.showSummaryPage();
    }
}

// Appends this run's entry to Install.log at `path`: the header, the body file, and the
// failure summary or the completion text. False when Install.log could not be opened.
bool WriteInstallLog(const std::wstring& path, const InstallLogHeader& header, InstallLog& log,
                     const std::wstring& failures, const MessageTable& messages) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE)
        size = 0;
    if (size > 0) {
        char head[3] = {};
        DWORD read = 0;
        ReadFile(file.Get(), head, 3, &read, nullptr);
        if (!StartsWithUtf8Bom(std::string_view(head, read)))
            ConvertOldLog(file.Get(), size);
    }

    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    WriteBytes(file.Get(), size > 0 ? kSeparator : kUtf8Bom);

    WriteText(file.Get(), InstallLogHeaderText(header));

    log.CopyBodyTo(file.Get());
    WriteBytes(file.Get(), "\r\n");

    if (!failures.empty()) {
        WriteBytes(file.Get(), "*** FAILURE SUMMARY ***\r\n");
        WriteText(file.Get(), failures);
    } else {
        WriteText(file.Get(), messages.Text(43) + L"\r\n");
    }
    file.Reset();

    ClearProtectingAttributes(path);
    GrantFullAccess(path);
    return true;
}

}  // namespace

std::wstring InstallDateText(int year, int month, int day, int hour, int minute, int second) {
    return FormatText(L"%02d/%02d/%02d %02d:%02d:%02d", {year % 100, month, day, hour, minute, second});
}

std::wstring InstallLogHeaderText(const InstallLogHeader& header) {
    std::wstring text;
    text += L"Installation log for: " + header.productName + L"\r\n";
    text += L"Install date: " + header.installDate + L"\r\n";
    if (header.writesUninstaller)
        text += std::wstring(L"Install type: ") + (header.reinstall ? L"Reinstall" : L"New") + L"\r\n";
    text += L"Install location: " + header.installLocation + L"\r\n";
    text += std::wstring(L"Installer version: ") + kEngineVersionW + L"\r\n";
    if (!IsBlank(header.productVersion))
        text += L"Product version: " + header.productVersion + L"\r\n";
    if (!IsBlank(header.existingVersion))
        text += L"Overwriting version: " + header.existingVersion + L"\r\n";
    text += L"Operating system: " + header.osDescription + L"\r\n\r\n";
    return text;
}

void FinishInstallLog(InstallSession& session, const std::wstring& failures, bool reinstall, bool finished) {
    InstallLogState& logging = session.logging;
    const Settings& settings = session.settings;
    if (!failures.empty() && !settings.errorNotification.empty() && logging.seams.sendErrorNotification)
        logging.seams.sendErrorNotification(settings.errorNotification);

    const std::wstring logPath = session.InstallLogPath();
    bool viewLog = false;
    if (finished && !session.automatic)
        ShowEndNotice(settings, session.ui, session.flags, logging.seams, logPath, failures, viewLog);

    const bool wanted = (session.flags.low & product_flags::kCreateLog) != 0 || !failures.empty();
    if (wanted) {
        InstallLogHeader header;
        header.productName = session.product.name;
        header.installDate = CurrentInstallDate();
        header.writesUninstaller = (session.flags.low & product_flags::kRegisterForUninstall) != 0;
        header.reinstall = reinstall;
        header.installLocation = session.folders.installDir;
        header.productVersion = session.product.version;
        header.existingVersion = session.product.existingVersion;
        header.osDescription = OsDescription(CurrentOs());
        if (!WriteInstallLog(logPath, header, logging.log, failures, settings.messages))
            viewLog = false;
    }

    if (viewLog) {
        if (logging.seams.viewLog) {
            logging.seams.viewLog(logPath);
        } else {
            ViewInstallLog(logPath);
        }
    }
    logging.log.CloseAndDelete();
}

}  // namespace vantrel
