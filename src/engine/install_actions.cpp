#include "engine/install_actions.h"

#include <memory>
#include <vector>

#include "actions/component_registration.h"
#include "actions/control_panel_applet.h"
#include "actions/fonts.h"
#include "actions/msi_package.h"
#include "actions/shared_file_list.h"
#include "context/installer_variables.h"
#include "engine/corrupt_payload.h"
#include "engine/install_actions_steps.h"
#include "support/system_info.h"
#include "uninstall/conditional_deletions.h"

namespace vantrel {
namespace {

// Message 77 names the file (or applet) being handled in place of "<file>".
void ShowFileStatus(InstallRun& run, const std::wstring& subject) {
    static constexpr std::wstring_view kMarker = L"<file>";
    std::wstring text = run.Message(77);
    for (std::size_t at = text.find(kMarker); at != std::wstring::npos;
         at = text.find(kMarker, at + subject.size()))
        text.replace(at, kMarker.size(), subject);
    ShowActionStatus(run, text);
}

std::function<void(const std::wstring&)> FileStatus(InstallRun& run) {
    return [&run](const std::wstring& subject) { ShowFileStatus(run, subject); };
}

void InstallWrittenMsiPackage(InstallRun& run, const MsiPackageEntry& package) {
    const MsiPackageInput input{package.path, package.flags, static_cast<int>(package.interfaceLevel)};
    InstallMsiPackage(input, nullptr, FileStatus(run), run.Log(), run.Failures(), run.uninstallData);
}

void RegisterWrittenApplet(InstallRun& run, const AppletEntry& applet) {
    const AppletInput input{applet.path, applet.name, applet.classId, applet.arguments};
    RegisterControlPanelApplet(input, FileStatus(run), run.Log(), run.uninstallData);
}

// Counts are raised only for a product that leaves an uninstaller to lower them again.
void RunSharedFileStep(InstallRun& run, ActionCarry& carry) {
    std::string& sharedFiles = SharedFilesText(run, carry);
    const bool portable = InstallsPortable(run);
    if ((run.session.flags.low & product_flags::kRegisterForUninstall) == 0 || portable)
        return;
    std::vector<SharedFileInput> files;
    for (const SharedFileEntry& file : run.extracted.sharedFiles)
        files.push_back({file.path, file.kind, file.permanent});
    const std::vector<std::string> list = BuildSharedFileList(files, portable);
    // Without a shared file there is nothing to count: the machine-wide key is left alone
    // (a user who may not write it would otherwise see a failure for nothing).
    if (!list.empty())
        RaiseSharedFileCounts(list, sharedFiles, run.Log(), run.Failures());
}

std::vector<ComponentInput> ComponentInputs(const std::vector<ComponentFile>& files) {
    std::vector<ComponentInput> inputs;
    for (const ComponentFile& file : files)
        inputs.push_back({file.path, file.typeLibraryParameter});
    return inputs;
}

void RunComponentStep(InstallRun& run) {
    RegistrationServices services;
    services.showStatus = FileStatus(run);
    const std::vector<ComponentInput> servers = ComponentInputs(run.extracted.comFiles);
    const std::vector<ComponentInput> libraries = ComponentInputs(run.extracted.typeLibraries);
    if (!servers.empty() || !libraries.empty()) {
        RegisterComServers(servers, run.session.Installs64Bit(), services, run.Log(), run.Failures());
        RegisterTypeLibraries(libraries, services, run.Log(), run.Failures());
        ReturnToMainWindow(services);
    }
    InstallDrivers(run.extracted.drivers, services, run.Log(), run.uninstallData);
}

// The payload's conditional deletions that apply at installation, before the files are
// written. The list itself stays as the payload has it: the uninstall data takes it whole.
void RunDeletionStep(InstallRun& run) {
    std::vector<FileDeletion> deletions = run.session.settings.conditionalDeletions;
    ConditionalDeletionContext context;
    context.phase = DeletionPhase::kInstallation;
    context.installDir = run.session.folders.installDir;
    context.expand = RunExpander(run);
    context.corruptPayload = [&run](int errorCode) { CorruptPayloadError(run.state, errorCode); };
    context.log = &run.Log();
    context.failures = &run.Failures();
    RunConditionalDeletions(context, deletions);
    if (context.restartNeeded)
        run.session.flags.low |= product_flags::kRebootNeeded;
}

}  // namespace

bool InstallsPortable(const InstallRun& run) {
    return PortableFlagOf(run.session.folders.installDir) == L"1";
}

void ShowActionStatus(InstallRun& run, const std::wstring& text) {
    if (run.seams.progress.status)
        run.seams.progress.status(text);
}

void ShowActionStatusMessage(InstallRun& run, std::size_t number) {
    ShowActionStatus(run, run.Message(number));
}

std::function<void(std::wstring&)> RunExpander(const InstallRun& run) {
    return [&run](std::wstring& text) { ExpandVariables(run.session, text); };
}

std::string& SharedFilesText(const InstallRun& run, ActionCarry& carry) {
    if (!carry.sharedFilesTaken) {
        // Saved through the 8-bit interface: the same bytes come back in the ANSI code page.
        carry.sharedFiles = ToSystemCodePage(run.existingSharedFiles);
        carry.sharedFilesTaken = true;
    }
    return carry.sharedFiles;
}

void FillInstallActions(ActionSeams& actions) {
    const auto carry = std::make_shared<ActionCarry>();
    actions.fontWritten = [](InstallRun&, const FontEntry& font, const std::wstring& path) {
        RegisterFont(font.fontName, path);
    };
    actions.msiPackageWritten = InstallWrittenMsiPackage;
    actions.appletWritten = RegisterWrittenApplet;
    actions.deletionPhase = RunDeletionStep;
    actions.sharedFiles = [carry](InstallRun& run) { RunSharedFileStep(run, *carry); };
    actions.components = RunComponentStep;
    actions.shortcuts = [carry](InstallRun& run) { RunShortcutStep(run, *carry); };
    actions.registry = RunRegistryEntriesStep;
    actions.associations = RunAssociationStep;
    actions.firewall = RunFirewallStep;
    actions.registration = [carry](InstallRun& run) { RunRegistrationStep(run, *carry); };
}

}  // namespace vantrel
