#pragma once

#include <windows.h>

#include <string>

#include "format/notification_address.h"

namespace vantrel {

// Time-outs of one notification request and the longest the end of the run waits for
// requests still going out.
struct NotificationTimeouts {
    DWORD connectMs = 4000;
    DWORD sendMs = 4000;
    DWORD receiveMs = 4000;
    DWORD stopWaitMs = 5000;
};

// Sends notification requests to web addresses in the background, on a thread of its own
// made when the first request comes, so that the installation never waits for a server.
// Requests go through the system's WinInet (loaded from the system folder): GET, or POST
// with a form body; http on port 80, https on 443 (unless the address names a port) with the
// server's certificate verified and no redirection followed, so a secure address is never
// answered over plain http. Errors are ignored: a notification is sent once or not at all.
// No firewall exception is needed or made for any of it: the requests go out.
class NotificationSender {
  public:
    explicit NotificationSender(NotificationTimeouts timeouts = {});
    // Stops the thread (see Stop).
    ~NotificationSender();
    NotificationSender(const NotificationSender&) = delete;
    NotificationSender& operator=(const NotificationSender&) = delete;

    // Queues a request without waiting: the address has its tokens replaced first; an empty
    // address queues nothing. With a form body the request is a POST of that form.
    void Notify(std::wstring_view address, const NotificationTokens& tokens, std::string form = {});

    // Lets the thread send what is queued, then ends it; waits no longer than the stop bound
    // (a server that never answers must not hold the installer open). Later requests are
    // dropped. Called by the run's exit steps; harmless when no thread was ever made.
    void Stop();

    // Requests sent so far (answered or not); for tests.
    unsigned Attempts() const;

  private:
    struct Shared;
    Shared* shared_;  // left to the thread when it outlives the stop bound
    NotificationTimeouts timeouts_;
};

// Posts a form to a web address and waits for the answer (or the time-outs); the crash
// report's "Inform Us" uses it. Errors are ignored.
void PostWebForm(std::wstring_view address, const std::string& form,
                 const NotificationTimeouts& timeouts = {});

// The tokens of this machine for a product version and run session.
NotificationTokens SystemNotificationTokens(std::wstring_view productVersion, std::uint64_t session);

}  // namespace vantrel
