#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "run/notification_seam.h"

namespace vantrel {

class NotificationSender;

// What a notification carries besides its address, read when the request is queued.
struct NotificationFacts {
    std::wstring productName;
    std::wstring productVersion;
    std::uint64_t runStamp = 0;  // %Session%
    std::wstring failures;       // the FailureList, for the problem report
};

// The run's notification seam over the background sender: every kind is a plain GET with
// the address's tokens filled in, except the error notification, which posts the problem
// report (product, installer file name and failure list). Start, begin, cancel, completion
// (upgrade, downgrade, reinstall), error and uninstall notifications all come through here;
// the sender must outlive the queue (the exit routine stops it last).
NotificationQueue NotificationQueueFor(NotificationSender& sender, std::function<NotificationFacts()> facts);

}  // namespace vantrel
