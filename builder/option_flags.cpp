#include "builder/option_flags.h"

#include <array>

#include "format/settings.h"

namespace vantrel::builder {
namespace {

using namespace product_flags;
namespace f2 = product_flags2;
constexpr FlagWord L = FlagWord::kLow;
constexpr FlagWord H = FlagWord::kHigh;
constexpr FlagWord F = FlagWord::kFlags2;

constexpr std::array kFlags = {
    // Installation behaviour
    OptionFlag{"register_for_uninstall", L, kRegisterForUninstall,
               "register the product for uninstallation and write the uninstaller"},
    OptionFlag{"must_uninstall_first", L, kMustUninstallFirst,
               "an earlier installation must be uninstalled first (see product.must_uninstall_below)"},
    OptionFlag{"create_log", L, kCreateLog, "keep the installation log"},
    OptionFlag{"log_each_file", L, kLogEachFile, "log every installed file"},
    OptionFlag{"single_instance", L, kSingleInstance, "refuse to run while another installation is running"},
    OptionFlag{"defer_any_locked_file", L, kDeferAnyLockedFile,
               "replace any file that cannot be written at the next restart, not only existing ones"},
    OptionFlag{"verify_writes", L, kVerifyWrites, "read written files back and compare them"},
    OptionFlag{"clear_attributes_on_retry", L, kClearAttributesOnRetry,
               "clear read-only, hidden and system attributes before retrying a failed write"},
    OptionFlag{"reboot_needed", L, kRebootNeeded, "always treat the installation as needing a restart"},
    OptionFlag{"no_existing_install_question", L, kNoExistingInstallQuestion,
               "do not ask before installing over an existing installation"},
    OptionFlag{"no_background_window", L, kNoBackgroundWindow, "show no background window"},
    OptionFlag{"no_end_notice", L, kNoEndNotice, "show no notice at the end of a successful installation"},
    OptionFlag{"no_cancel", L, 0x200000, "the progress page cannot be cancelled"},
    OptionFlag{"confirm_folder", L, 0x80000000, "ask for confirmation of the chosen installation folder"},
    OptionFlag{"integrity_check", H, kIntegrityCheck, "verify the installer file before installing"},
    OptionFlag{"compare_versions", H, kCompareVersions, "compare the old and new product versions"},
    OptionFlag{"version_question", H, kVersionQuestion,
               "ask before installing over another version (see product.question_below)"},
    OptionFlag{"no_start_question", H, kNoStartQuestion, "do not show the start page"},
    OptionFlag{"reboot_question_when_automatic", H, kRebootQuestionWhenAutomatic,
               "ask the restart question in automatic mode too"},
    OptionFlag{"hide_file_names", H, kHideFileNamesInProgress, "the progress shows no file names"},
    OptionFlag{"grant_install_dir_access", H, kGrantInstallDirAccess,
               "grant everyone access to the installation folder"},
    OptionFlag{"grant_shared_dir_access", H, kGrantSharedDirAccess,
               "grant everyone access to the shared folder as well"},
    OptionFlag{"show_progress_dialog", H, kShowProgressDialog, "show the progress page"},
    OptionFlag{"create_reboot_marker", H, kCreateRebootMarker,
               "create reboot.dat in the installation folder"},
    OptionFlag{"keep_install_log", H, kKeepInstallLog, "the uninstaller keeps Install.log"},
    OptionFlag{"no_portable_uninstaller", H, kNoPortableUninstaller,
               "write no uninstaller for a portable run"},
    OptionFlag{"summary_offers_log", H, kSummaryOffersLog, "the finish page offers to show the log"},
    OptionFlag{"install_log_shortcut", H, kInstallLogShortcut,
               "a Start-menu shortcut to the installation log"},
    OptionFlag{"copy_readme", H, kCopyReadme, "copy the readme texts into the uninstall-data folder"},
    OptionFlag{"copy_licence", H, kCopyLicence, "copy the licence texts into the uninstall-data folder"},
    OptionFlag{"refuse_network_folder", H, 0x20, "refuse installation folders on network drives"},
    OptionFlag{"refuse_removable_drive", H, 0x800000,
               "refuse installation folders on removable, CD-ROM and RAM drives"},
    OptionFlag{"page_icons", H, 0x100000, "give the wizard pages the program's icons"},
    // Wizard pages
    OptionFlag{"show_folder_page", L, kShowFolderPage, "show the installation-folder page"},
    OptionFlag{"show_start_menu_page", H, kShowStartMenuPage,
               "show the Start-menu page for new installations"},
    OptionFlag{"ascii_folder_only", F, 0x10000, "refuse installation folders with non-ASCII characters"},
    OptionFlag{"show_space", F, 0x400000, "show required and available space on the folder page"},
    OptionFlag{"licence_must_be_scrolled", F, 0x800000,
               "Next on the licence page is enabled only after scrolling to the end"},
    // Background window
    OptionFlag{"background_maximized", H, kBackgroundMaximized, "the background window starts maximized"},
    OptionFlag{"uninstaller_background", L, kBackgroundBitmap,
               "keep the background picture for the uninstaller"},
    // Shortcuts
    OptionFlag{"uninstall_start_menu_shortcut", L, kUninstallStartMenuShortcut,
               "an uninstall shortcut in the product's Start-menu folder"},
    OptionFlag{"uninstall_desktop_shortcut", H, kUninstallDesktopShortcut,
               "an uninstall shortcut on the desktop"},
    OptionFlag{"uninstall_shortcut_in_uninstall_dir", H, kUninstallShortcutInUninstallDir,
               "an uninstall shortcut in the uninstall-data folder"},
    OptionFlag{"uninstall_shortcut_in_install_dir", F, 0x200000,
               "an uninstall shortcut in the installation folder"},
    OptionFlag{"desktop_folder_defaults_to_product", H, kDesktopFolderDefaultsToProduct,
               "an empty folders.desktop means a desktop folder named after the product"},
    // Uninstallation
    OptionFlag{"uninstall_silently", L, kUninstallSilently,
               "the uninstaller asks nothing and shows no messages"},
    OptionFlag{"remove_install_tree", L, kRemoveInstallTree,
               "the uninstaller deletes the whole installation folder"},
    OptionFlag{"ask_before_removing_fonts", L, kAskBeforeRemovingFonts,
               "the uninstaller asks before removing each font"},
    OptionFlag{"ask_before_deleting_shared", L, kAskBeforeDeletingShared,
               "the uninstaller asks before deleting a shared file"},
    OptionFlag{"add_to_path", L, kRemoveFromPath,
               "the product's folders.path_subfolder entry of the search path is removed at uninstallation"},
    OptionFlag{"restart_after_uninstall", H, kRestartAfterUninstall, "restart Windows after uninstalling"},
    OptionFlag{"uninstall_completion_notice", F, 0x40000, "the uninstaller tells when it has finished"},
    OptionFlag{"remove_install_location_value", F, 0x2000,
               "the registry value of product.install_location_value is removed at uninstallation"},
    // Batches
    OptionFlag{"pre_install_batch_option", L, kPreBatchOption, "option of the pre-installation batch"},
    OptionFlag{"post_install_batch_option", L, kPostBatchOption, "option of the post-installation batch"},
    OptionFlag{"exit_batch_option", L, kExitBatchOption, "option of the installation-exit batch"},
    OptionFlag{"uninstall_batch_1_option", L, kUninstallBatch1Option, "option of uninstall batch 1"},
    OptionFlag{"uninstall_batch_2_option", L, kUninstallBatch2Option, "option of uninstall batch 2"},
    OptionFlag{"upgrade_batch_option", H, kUpgradeBatchOption, "option of the upgrade batch"},
    OptionFlag{"reinstall_batch_option", H, kReinstallBatchOption, "option of the reinstall batch"},
    OptionFlag{"pre_install_batch_titled", F, f2::kPreBatchTitled,
               "log the pre-installation batch with its title"},
    OptionFlag{"post_install_batch_titled", F, f2::kPostBatchTitled,
               "log the post-installation batch with its title"},
    OptionFlag{"upgrade_batch_titled", F, f2::kUpgradeBatchTitled, "log the upgrade batch with its title"},
    OptionFlag{"reinstall_batch_titled", F, f2::kReinstallBatchTitled,
               "log the reinstall batch with its title"},
    OptionFlag{"reinstall_batch_only_same_version", F, f2::kReinstallBatchRestricted,
               "run the reinstall batch only when the same version is installed"},
    // Payload header options
    OptionFlag{"restore_point", F, f2::kRestorePoint, "create a system restore point"},
    OptionFlag{"uninstaller_without_payload", F, f2::kBuildStubImage,
               "the uninstaller copy is written without the payload"},
    OptionFlag{"modern_platform_only", F, f2::kButtonImages,
               "pictures on the Next, Cancel and Browse buttons (cleared on Windows older than XP)"},
    OptionFlag{"launch_directly", F, f2::kLaunchDirectly,
               "start the application to launch as a process, not through the shell"},
    OptionFlag{"launch_checked", F, 0x10, "the finish page's launch box starts checked"},
    OptionFlag{"open_checked", F, 0x8, "the finish page's open box starts checked"},
    OptionFlag{"open_2_checked", F, 0x4, "the finish page's second open box starts checked"},
    // Portable runs
    OptionFlag{"portable_no_shortcuts", F, 0x800, "a portable run makes no shortcuts and no Start-menu page"},
    OptionFlag{"portable_no_registry", F, 0x8000, "a portable run writes no registry instructions"},
    OptionFlag{"portable_no_associations", F, 0x20000, "a portable run makes no file associations"},
    OptionFlag{"portable_no_firewall", F, 0x80000, "a portable run adds no firewall exceptions"},
};

}  // namespace

std::span<const OptionFlag> OptionFlags() {
    return kFlags;
}

const OptionFlag* FindOptionFlag(std::string_view name) {
    for (const auto& flag : kFlags) {
        if (flag.name == name)
            return &flag;
    }
    return nullptr;
}

}  // namespace vantrel::builder
