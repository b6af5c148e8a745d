#include "run/notification_queue.h"

#include <windows.h>

#include <utility>

#include "format/notification_address.h"
#include "support/notification_sender.h"

namespace vantrel {
namespace {

std::wstring InstallerFileName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    if (const std::size_t slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    return name;
}

}  // namespace

NotificationQueue NotificationQueueFor(NotificationSender& sender, std::function<NotificationFacts()> facts) {
    return [&sender, facts = std::move(facts)](NotificationKind kind, const std::wstring& address) {
        const NotificationFacts known = facts ? facts() : NotificationFacts{};
        std::string form;
        if (kind == NotificationKind::kError)
            form = ProblemReportForm(known.productName, known.productVersion, InstallerFileName(),
                                     known.failures);
        sender.Notify(address, SystemNotificationTokens(known.productVersion, known.runStamp),
                      std::move(form));
    };
}

}  // namespace vantrel
