#include "run/notification_queue.h"

#include <utility>

#include "format/notification_address.h"
#include "support/notification_sender.h"
#include "support/system_info.h"

namespace vantrel {

NotificationQueue NotificationQueueFor(NotificationSender& sender, std::function<NotificationFacts()> facts) {
    return [&sender, facts = std::move(facts)](NotificationKind kind, const std::wstring& address) {
        const NotificationFacts known = facts ? facts() : NotificationFacts{};
        std::string form;
        if (kind == NotificationKind::kError)
            form = ProblemReportForm(known.productName, known.productVersion, FileNameOf(ModuleFilePath()),
                                     known.failures);
        sender.Notify(address, SystemNotificationTokens(known.productVersion, known.runStamp),
                      std::move(form));
    };
}

}  // namespace vantrel
