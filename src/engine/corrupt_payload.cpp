#include "engine/corrupt_payload.h"

#include "run/fatal_message.h"
#include "format/message_table.h"
#include "format/text_format.h"

namespace vantrel {
namespace {

constexpr std::size_t kCorruptPayloadMessage = 13;

constexpr const wchar_t* kCorruptPayloadFallback =
    L"This installation program is corrupt.  This is usually caused by a faulty download, but it can "
    L"also be caused by a virus on your computer.  The installation cannot proceed.\r\n\r\nDelete the "
    L"corrupted installer (to prevent caching), then re-download it.  If the problem persists, check "
    L"your system for viruses.\r\n\r\nError code: %d";

}  // namespace

std::wstring CorruptPayloadText(const RunState& run, int errorCode) {
    std::wstring format = run.messages ? run.messages->Text(kCorruptPayloadMessage) : std::wstring();
    if (format.empty())
        format = kCorruptPayloadFallback;
    return FormatText(format, {errorCode});
}

void CorruptPayloadError(RunState& run, int errorCode) {
    const std::wstring text = CorruptPayloadText(run, errorCode);
    for (auto& observer : run.corruptPayloadObservers)
        observer(text);
    if (!run.errorNotificationAddress.empty() && run.queueNotification) {
        run.queueNotification(NotificationKind::kError, run.errorNotificationAddress);
    }
    Fatal(text);
}

}  // namespace vantrel
