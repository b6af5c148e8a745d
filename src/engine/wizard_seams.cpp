#include "engine/wizard_seams.h"

#include <memory>

#include "engine/folder_checks.h"
#include "engine/installation_sequence.h"
#include "engine/installation_steps.h"
#include "format/os_version.h"
#include "format/settings.h"
#include "support/os_info.h"
#include "ui/message_box_texts.h"
#include "ui/page_progress.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

// Word 2 of the page-style field is the start page's; the others follow in this order.
enum PageStyleWord : std::size_t {
    kStartStyle = 2,
    kLanguageStyle,
    kLicenceStyle,
    kReadmeStyle,
    kFolderStyle,
    kStartMenuStyle,
    kProgressStyle,
    kSummaryStyle,
};

constexpr std::uint32_t kFlags2FinishOpenSecondChecked = 0x4;
constexpr std::uint32_t kFlags2FinishOpenItemChecked = 0x8;
constexpr std::uint32_t kFlags2FinishLaunchChecked = 0x10;
constexpr std::uint32_t kFlags2ShowSpace = 0x400000;
constexpr std::uint32_t kFlags2ScrollLicenceToEnd = 0x800000;
constexpr std::uint32_t kHighBrowseFromComputer = 0x20;
constexpr std::uint32_t kHighPageIcons = 0x100000;
// Set for a silent run too: the progress page's Cancel stays disabled.
constexpr std::uint32_t kLowNoProgressCancel = 0x200000;

std::wstring PageText(const InstallRun& run, std::size_t number) {
    return WithProductMarkers(run.Message(number), run.session.product.name, run.Config().displayProductName,
                              OsName(CurrentOs()));
}

std::uint32_t Style(const InstallRun& run, PageStyleWord word) {
    return run.Config().pageStyles[word];
}

// What the pages need of the run, kept alive by the seams that use it; with it, the run's
// message boxes speak the installer's language.
struct WizardEnvironment : PageEnvironment {
    std::unique_ptr<MessageBoxButtonTexts> buttonTexts;
};

std::shared_ptr<WizardEnvironment> EnvironmentOf(InstallRun& run) {
    auto environment = std::make_shared<WizardEnvironment>();
    environment->instance = GetModuleHandleW(nullptr);
    environment->text = [&run](std::size_t number) { return PageText(run, number); };
    environment->installerTitle = [&run] {
        const std::wstring& title = run.Message(114);
        return title.empty() ? run.Config().installerTitle : title;
    };
    environment->giveIcons = (run.session.flags.high & kHighPageIcons) != 0;
    environment->buttonImages = (run.Flags2() & product_flags2::kButtonImages) != 0;
    environment->sidePictureFrame = run.Config().sidePictureFrame;
    environment->headerTextColor = static_cast<COLORREF>(run.Config().headerTextColor);
    // The table belongs to the payload, which outlives the seams and so this hook.
    const MessageTable* messages = &run.payload.settings.messages;
    environment->buttonTexts = std::make_unique<MessageBoxButtonTexts>(
        [messages](std::size_t number) { return messages->Text(number); });
    return environment;
}

void FillFinishPage(InstallRun& run, const std::shared_ptr<WizardEnvironment>& environment) {
    run.seams.pages.finish = [&run, environment](FinishOptions& options) {
        const Settings& settings = run.Config();
        const std::uint32_t flags2 = run.Flags2();
        FinishChoices choices;
        choices.openSecondItem = {!settings.openItem2.empty(),
                                  (flags2 & kFlags2FinishOpenSecondChecked) != 0};
        choices.openItem = {!settings.openItem.empty(), (flags2 & kFlags2FinishOpenItemChecked) != 0};
        choices.launchApplication = {!settings.launchApplication.empty(),
                                     (flags2 & kFlags2FinishLaunchChecked) != 0};
        choices.viewLog = {(run.session.flags.high & product_flags::kSummaryOffersLog) != 0, false};
        ShowFinishPage(*environment, Style(run, kSummaryStyle), choices);
        options.openSecondItem = choices.openSecondItem.checked;
        options.openItem = choices.openItem.checked;
        options.launchApplication = choices.launchApplication.checked;
        options.viewLog = choices.viewLog.checked;
    };
}

}  // namespace

void FillWizardPages(InstallRun& run) {
    if (run.session.silent)
        return;
    InstallPages& pages = run.seams.pages;
    const std::shared_ptr<WizardEnvironment> environment = EnvironmentOf(run);
    pages.mustUninstall = [environment] { return ShowMustUninstallQuestion(*environment); };
    if (run.Automatic())
        return;
    const Settings& settings = run.Config();

    pages.language = [&run, environment] {
        return ShowLanguagePage(*environment, Style(run, kLanguageStyle), run.payload.settings.messages);
    };
    // Layout 0 of the start page is a plain question, which the sequence asks itself.
    if (Style(run, kStartStyle) != 0) {
        pages.start = [&run, environment] {
            return ShowStartPage(*environment, Style(run, kStartStyle), run.Config().startPageText,
                                 run.Config().startPageAddress);
        };
    }
    if (!settings.installPassword.empty()) {
        pages.password = [&run, environment] {
            return ShowPasswordPage(*environment, run.Config().installPassword);
        };
    }
    pages.licence = [&run, environment](const std::wstring& text) {
        return ShowTextPage(*environment, TextPageKind::kLicence, Style(run, kLicenceStyle), text,
                            (run.Flags2() & kFlags2ScrollLicenceToEnd) != 0);
    };
    pages.readme = [&run, environment](const std::wstring& text) {
        return ShowTextPage(*environment, TextPageKind::kReadme, Style(run, kReadmeStyle), text, false);
    };
    pages.folder = [&run, environment](std::wstring& folder) {
        FolderPageOptions options;
        options.nextMessage = (run.session.flags.high & product_flags::kShowStartMenuPage) != 0 ? 48 : 90;
        options.browseFromComputer = (run.session.flags.high & kHighBrowseFromComputer) != 0;
        if ((run.Flags2() & kFlags2ShowSpace) != 0) {
            options.requiredSpace = [&run](const std::wstring& chosen) {
                return RequiredInstallSpace(run, chosen);
            };
            options.sizeText = ByteSizeText;
        }
        // The page comes back until the folder passes the checks; a refusal says why first.
        for (;;) {
            if (!ShowFolderPage(*environment, Style(run, kFolderStyle), options, folder))
                return false;
            const std::optional<std::wstring> refusal = CheckInstallFolder(folder, FolderCheckContextOf(run));
            if (!refusal)
                return true;
            if (!refusal->empty())
                run.session.ui.ShowMessageBox(*refusal, run.title,
                                              mb::kOk | mb::kIconError | mb::kSetForeground);
        }
    };
    pages.startMenu = [&run, environment](std::wstring& name) {
        if (name.empty())
            name = run.session.product.name;
        return ShowStartMenuPage(*environment, Style(run, kStartMenuStyle), run.session.AllUsers(), name);
    };
    FillFinishPage(run, environment);
}

void FillProgressPage(InstallRun& run, ProgressPageFactory& openPage) {
    if (run.session.silent)
        return;
    const std::shared_ptr<WizardEnvironment> environment = EnvironmentOf(run);
    const auto cancel = std::make_shared<ProgressCancelFlag>();
    openPage = [&run, environment, cancel](HWND owner, CallbackGuard& guard) {
        ProgressPageOptions options;
        options.layout = LayoutOfStyle(Style(run, kProgressStyle));
        options.positionCode = run.Config().progressDialogOption;
        options.againstScreen = run.payload.backgroundMaximized;
        options.cancelDisabled = (run.session.flags.low & kLowNoProgressCancel) != 0;
        return OpenProgressPage(*environment, options, *cancel, owner, guard);
    };
    // The question is answered inside the page's window procedure, which must not end the
    // run; the run ends here, at its next progress update, where the stack may unwind.
    ProgressSeams& progress = run.seams.progress;
    const auto cancelIfAsked = [&run, cancel] {
        if (cancel->Raised())
            CancelInstallation(run);
    };
    progress.status = [cancelIfAsked, status = progress.status](const std::wstring& text) {
        cancelIfAsked();
        if (status)
            status(text);
    };
    progress.percent = [cancelIfAsked, percent = progress.percent](int value) {
        cancelIfAsked();
        if (percent)
            percent(value);
    };
}

bool SupportOfferPage(const std::wstring&, const std::function<std::wstring(std::size_t)>& text) {
    PageEnvironment environment;
    environment.instance = GetModuleHandleW(nullptr);
    environment.text = text;
    return ShowSupportOfferQuestion(environment);
}

}  // namespace vantrel
