#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/command_line.h"
#include "support/unique_handle.h"
#include "run/notification_seam.h"
#include "run/user_interface_seam.h"

namespace vantrel {

class MessageTable;

// What the whole run shares: the command line, the user-interface seam and the steps the
// exit routine must take. Filled once at start; later subsystems add to it.
struct RunState {
    HINSTANCE instance = nullptr;
    CommandLineOptions options;
    std::uint64_t runStamp = 0;
    std::unique_ptr<UserInterface> ui;
    const MessageTable* messages = nullptr;  // none until the payload is read
    UniqueHandle singleInstanceMutex;        // held for the whole run when the product asks for it
    // Run by the exit routine in order (hide the progress dialog, destroy the background
    // window, stop the notification sender, ...).
    std::vector<std::function<void()>> exitSteps;
    // Told the corrupt-payload text before the run ends (the log takes it as its pending
    // text; the error notification is queued).
    std::vector<std::function<void(const std::wstring&)>> corruptPayloadObservers;
    // Settings field 71: where the corrupt-payload report sends its error notification.
    std::wstring errorNotificationAddress;
    // Takes notification requests without waiting (see notification_seam.h).
    NotificationQueue queueNotification;
};

}  // namespace vantrel
