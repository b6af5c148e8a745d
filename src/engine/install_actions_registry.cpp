// The steps between the shortcuts and the product registration: registry entries, file
// associations and firewall exceptions.
#include <string>
#include <vector>

#include "actions/file_associations.h"
#include "actions/firewall_step.h"
#include "actions/registry_step.h"
#include "engine/corrupt_payload.h"
#include "engine/install_actions_steps.h"
#include "support/firewall_client.h"

namespace vantrel {
namespace {

// ProductFlags2: a portable installation leaves the registry and the file types alone.
constexpr std::uint32_t kNoRegistryWhenPortable = 0x8000;
constexpr std::uint32_t kNoAssociationsWhenPortable = 0x20000;

constexpr std::size_t kRegistryStatusMessage = 78;

}  // namespace

void RunRegistryEntriesStep(InstallRun& run) {
    const Settings& settings = run.session.settings;
    RegistryStepSettings step;
    step.productRegistryKey = settings.productRegistryKey;
    step.instructions = settings.registryInstructions;
    step.mergeText = settings.registryMergeText;
    step.view64 = run.session.Installs64Bit();
    step.skipKeysAndInstructions = InstallsPortable(run) && (run.Flags2() & kNoRegistryWhenPortable) != 0;
    ShowActionStatusMessage(run, kRegistryStatusMessage);
    RunRegistryStep(step, RunExpander(run), run.Log(), run.Failures());
    // The uninstaller reads the same instructions back to undo them; instructions that were
    // never carried out leave nothing to undo.
    if (!step.skipKeysAndInstructions && !settings.registryInstructions.empty())
        run.uninstallData.SetRegistryScript(settings.registryInstructions);
}

void RunAssociationStep(InstallRun& run) {
    const Settings& settings = run.session.settings;
    const MessageTable& messages = run.session.Messages();
    AssociationStepSettings step;
    step.records = settings.associations;
    step.languageName = messages.LanguageName(messages.SelectedLanguage());
    step.productName = run.session.product.name;
    step.installDir = run.session.folders.installDir;
    step.skip = InstallsPortable(run) && (run.Flags2() & kNoAssociationsWhenPortable) != 0;
    // Filled here rather than in the uninstall data directly: what was made before a crash
    // inside the step is still recorded.
    std::vector<FileAssociation> lines;
    InstallFileAssociations(step, RunExpander(run), run.Log(), run.Failures(), lines);
    for (FileAssociation& line : lines)
        run.uninstallData.AddAssociation(std::move(line));
}

void RunFirewallStep(InstallRun& run) {
    FirewallStepInput input;
    input.firewallText = run.session.settings.firewallText;
    input.productName = run.session.product.name;
    input.installDir = run.session.folders.installDir;
    input.portable = InstallsPortable(run);
    input.productFlags2 = run.Flags2();
    input.expandVariables = RunExpander(run);
    FirewallClient firewall;
    std::vector<std::string> lines;
    if (const int error = AddFirewallExceptions(input, firewall, run.Log(), lines); error != 0)
        CorruptPayloadError(run.state, error);
    for (const std::string& line : lines)
        run.uninstallData.AddFirewallLine(line);
}

}  // namespace vantrel
