#pragma once

#include <functional>
#include <string>

namespace vantrel {

// Notifications the installer run asks for. Until the background notification sender
// exists, requests are handed to RunState::queueNotification (nothing is sent without it).
// kPlain: the begin, completion, upgrade, downgrade, reinstall and cancel addresses.
enum class NotificationKind { kStart, kError, kPlain };

using NotificationQueue = std::function<void(NotificationKind kind, const std::wstring& address)>;

}  // namespace vantrel
