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

void ShowEndNotice(InstallSession& session, const std::wstring& failures, bool& viewLog) {
    using namespace product_flags;
    if (session.Automatic())
        return;
    const MessageTable& messages = session.Messages();
    if (!failures.empty()) {
        const std::wstring text = FormatText(messages.Text(40), {session.InstallLogPath()});
        const int answer = session.Ui().ShowMessageBox(text, messages.Text(41),
                                                       mb::kYesNo | mb::kIconQuestion | mb::kSetForeground);
        viewLog = answer == mb::kIdYes;
        return;
    }
    if (session.productFlagsLow & kNoEndNotice)
        return;
    // Without a log the summary page has no log to offer.
    if ((session.productFlagsLow & kCreateLog) == 0)
        session.productFlagsHigh &= ~kSummaryOffersLog;
    const Settings& settings = session.settings;
    const bool noFinishActions = settings.launchApplication.empty() && settings.openItem.empty() &&
                                 settings.openItem2.empty() &&
                                 (session.productFlagsHigh & kSummaryOffersLog) == 0;
    if (noFinishActions || (session.productFlagsLow & kRebootNeeded) != 0) {
        session.Ui().ShowMessageBox(messages.Text(42), messages.Text(43), mb::kOk | mb::kIconInformation);
    } else if (session.seams.showSummaryPage) {
        session.seams.showSummaryPage();
    }
}

// Steps 4 to 10: false when Install.log could not be opened.
bool WriteInstallLog(InstallSession& session, const std::wstring& failures, bool reinstall) {
    const std::wstring path = session.InstallLogPath();
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

    InstallLogHeader header;
    header.productName = session.productName;
    header.installDate = CurrentInstallDate();
    header.writesUninstaller = (session.productFlagsLow & product_flags::kRegisterForUninstall) != 0;
    header.reinstall = reinstall;
    header.installLocation = session.installDir;
    header.productVersion = session.productVersion;
    header.existingVersion = session.existingVersion;
    header.osDescription = OsDescription(CurrentOs());
    WriteText(file.Get(), InstallLogHeaderText(header));

    session.log.CopyBodyTo(file.Get());
    WriteBytes(file.Get(), "\r\n");

    if (!failures.empty()) {
        WriteBytes(file.Get(), "*** FAILURE SUMMARY ***\r\n");
        WriteText(file.Get(), failures);
    } else {
        WriteText(file.Get(), session.Messages().Text(43) + L"\r\n");
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
    if (!failures.empty() && !session.settings.errorNotification.empty() &&
        session.seams.sendErrorNotification) {
        session.seams.sendErrorNotification(session.settings.errorNotification);
    }

    bool viewLog = false;
    if (finished)
        ShowEndNotice(session, failures, viewLog);

    const bool wanted = (session.productFlagsLow & product_flags::kCreateLog) != 0 || !failures.empty();
    if (wanted && !WriteInstallLog(session, failures, reinstall))
        viewLog = false;

    if (viewLog) {
        if (session.seams.viewLog) {
            session.seams.viewLog(session.InstallLogPath());
        } else {
            ViewInstallLog(session.InstallLogPath());
        }
    }
    session.log.CloseAndDelete();
}

}  // namespace vantrel
