#include "engine/install_run_services.h"

#include <utility>

#include "engine/installer_crash_report.h"
#include "run/notification_queue.h"
#include "support/notification_sender.h"

namespace vantrel {

InstallRunServices::InstallRunServices(RunState& run, const Payload& payload)
    : run_(run), payload_(payload), sender_(std::make_shared<NotificationSender>()) {
    run.queueNotification = NotificationQueueFor(*sender_, [this] {
        NotificationFacts facts;
        const Settings& settings = payload_.settings;
        facts.productName = install_ != nullptr ? install_->session.product.name : settings.productName;
        facts.productVersion = settings.productVersion;
        facts.runStamp = run_.runStamp;
        if (install_ != nullptr)
            facts.failures = install_->Failures().Text();
        return facts;
    });
}

InstallRunServices::~InstallRunServices() {
    run_.queueNotification = nullptr;
    // Registered last, whatever ended the run: the steps registered while it ran (the
    // progress display, the background window) go first, so that nothing stays on screen
    // while the last requests go out. The step keeps the sender alive until then.
    run_.exitSteps.push_back([sender = std::move(sender_)] { sender->Stop(); });
}

InstallRunServices::Attachment::Attachment(InstallRunServices& services, InstallRun& install)
    : services_(services) {
    services.install_ = &install;
    RunState& run = services.run_;
    install.session.logging.seams.sendErrorNotification = [&run](const std::wstring& address) {
        if (run.queueNotification)
            run.queueNotification(NotificationKind::kError, address);
    };
    SetCrashReportSession(&install.session);
}

InstallRunServices::Attachment::~Attachment() {
    SetCrashReportSession(nullptr);
    services_.install_ = nullptr;
}

}  // namespace vantrel
