#pragma once

#include <memory>

#include "engine/install_run.h"
#include "engine/payload.h"
#include "run/run_state.h"

namespace vantrel {

class NotificationSender;

// What an install run shares with the parts that watch it from outside the sequence: the
// background notification sender behind the run's notification seam, and the crash
// reporter. Made before the payload is read (its start notification already goes out) and
// kept for the whole install run.
class InstallRunServices {
  public:
    // Makes the run's notification sender and points the notification seam at it.
    InstallRunServices(RunState& run, const Payload& payload);
    // The seam is disconnected (nothing is queued once the run's state is gone) and the
    // sender handed to the exit routine, which stops it as its last step on every path out
    // of the run, once the requests already queued went out or their time ran out.
    ~InstallRunServices();
    InstallRunServices(const InstallRunServices&) = delete;
    InstallRunServices& operator=(const InstallRunServices&) = delete;

    // While it lives, the installation is known: the problem report of the error
    // notification carries its failure list, the end of its log sends the error
    // notification, and a crash reports with its failure list and log.
    class Attachment {
      public:
        Attachment(InstallRunServices& services, InstallRun& install);
        ~Attachment();
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;

      private:
        InstallRunServices& services_;
    };
    Attachment Attach(InstallRun& install) { return Attachment(*this, install); }

  private:
    RunState& run_;
    const Payload& payload_;
    InstallRun* install_ = nullptr;
    std::shared_ptr<NotificationSender> sender_;
};

}  // namespace vantrel
