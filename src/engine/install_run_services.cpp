#include "engine/install_run_services.h"

#include "engine/installer_crash_report.h"
#include "run/notification_queue.h"
#include "support/notification_sender.h"

namespace vantrel {

InstallRunServices::InstallRunServices(RunState& run, const Payload& payload)
    : run_(run), payload_(payload), sender_(std::make_shared<NotificationSender>()) {
    // The exit step keeps the sender alive until it has been stopped, whatever ended the run.
    run.exitSteps.push_back([sender = sender_] { sender->Stop(); });
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
