#include "engine/uninstall_actions.h"

#include <memory>
#include <utility>

#include "actions/shortcuts.h"
#include "context/batch_runner.h"
#include "context/install_log.h"
#include "context/install_session.h"
#include "context/installer_variables.h"
#include "engine/system_seams.h"
#include "format/settings.h"
#include "run/notification_queue.h"
#include "support/firewall_client.h"
#include "support/notification_sender.h"
#include "support/shell_folders.h"
#include "ui/user_interface.h"
#include "uninstall/association_removal.h"
#include "uninstall/component_removal.h"
#include "uninstall/firewall_removal.h"
#include "uninstall/registry_script_removal.h"

namespace vantrel {
namespace {

Settings SettingsOf(const UninstallProductValues& product) {
    Settings settings;
    settings.productName = product.displayName;
    settings.companyName = product.publisher;
    settings.productVersion = product.version;
    settings.uninstallSubfolder = product.uninstallSubdir;
    settings.startMenuFolder = product.startMenuFolder;
    settings.shortcutMode = static_cast<std::uint8_t>(product.shortcutMode);
    settings.bitness = product.sixtyFourBit ? product_bitness::k64Bit : 0;
    return settings;
}

// The installer variables of an uninstallation: the product as its key describes it, in
// the session form the batch runner and the variable expansion take.
class ProductSession {
  public:
    ProductSession(const UninstallProductValues& product, RunState& run, UserInterface& ui)
        : settings_(SettingsOf(product)), session_(settings_, run.options, ui) {
        session_.SetInstallDir(product.installDir);
        session_.folders.sharedDir = product.sharedDir;
    }
    InstallSession& Session() { return session_; }

  private:
    Settings settings_;
    InstallSession session_;
};

// The engine's runs always have a user interface; a run without one asks nothing.
UserInterface& UiOf(RunState& run) {
    static SilentUserInterface none;
    return run.ui ? *run.ui : none;
}

void RunUninstallBatch(RunState& run, const std::string& commands, bool hidden,
                       const UninstallProductValues& product) {
    ProductSession variables(product, run, UiOf(run));
    // The uninstall batches are never announced in a log and their output is not kept.
    InstallLog log;
    BatchRequest request;
    request.commands = commands;
    request.hidden = hidden;
    RunBatch(variables.Session(), log, request);
}

void RemoveRecordedFirewallExceptions(RunState& run, const std::vector<std::string>& lines,
                                      const UninstallProductValues& product) {
    ProductSession variables(product, run, UiOf(run));
    FirewallClient firewall;
    RemoveFirewallExceptions(
        lines, product.installDir,
        [&variables](std::wstring& text) { ExpandVariables(variables.Session(), text); }, firewall);
}

// The notifications of an uninstallation go out through a sender of their own, made for
// this run and stopped by its exit steps.
void AddNotifications(RunState& run, UninstallSeams& seams) {
    auto sender = std::make_shared<NotificationSender>();
    run.exitSteps.push_back([sender] { sender->Stop(); });
    auto facts = std::make_shared<NotificationFacts>();
    const NotificationQueue queue = NotificationQueueFor(*sender, [facts] { return *facts; });
    seams.notifyUninstalled = [sender, facts, queue](const std::wstring& address,
                                                     const std::wstring& displayName,
                                                     const std::wstring& version, std::uint64_t session) {
        facts->productName = displayName;
        facts->productVersion = version;
        facts->runStamp = session;
        queue(NotificationKind::kPlain, address);
    };
}

}  // namespace

UninstallSeams UninstallActionSeams(RunState& run) {
    UninstallSeams seams;
    seams.runBatch = [&run](const std::string& commands, bool hidden, const UninstallProductValues& product) {
        RunUninstallBatch(run, commands, hidden, product);
    };
    seams.restoreAssociations = [](const std::vector<FileAssociation>& associations,
                                   const std::wstring& displayName) {
        RemoveFileAssociations(associations, displayName);
    };
    seams.removeFonts = [](const std::wstring& productFonts, const RemovalQuestion& question) {
        RemoveProductFonts(productFonts, FontFolder(), question.ui != nullptr, question);
    };
    seams.unpinFromTaskbar = UnpinFromTaskbar;
    seams.removeRegistryEntries = [](const std::string& script, REGSAM view) {
        RemoveRegistryScript(script, (view & KEY_WOW64_64KEY) != 0);
    };
    seams.removeFirewallExceptions = [&run](const std::vector<std::string>& lines,
                                            const UninstallProductValues& product) {
        RemoveRecordedFirewallExceptions(run, lines, product);
    };
    AddNotifications(run, seams);
    seams.restartWindows = RestartWindows;
    return seams;
}

}  // namespace vantrel
