#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/uninstall_data_file.h"
#include "uninstall/component_removal.h"

namespace vantrel {

// How the background window looked during the installation, as the product key keeps it.
struct UninstallAppearance {
    std::wstring displayTitle;
    double titleSize = 1.0;
    DWORD titleColor = 0;
    DWORD titleShadow = 1;
    DWORD topColor = 0;
    DWORD bottomColor = 0;
    DWORD monoColor = 1;
    DWORD titlePosition = 0;
    std::wstring titleFont;
    std::wstring taskbarText = L"Setup";
    std::wstring copyrightText;
    std::wstring copyrightFont;
    double copyrightSize = 0.0;
    std::wstring copyrightColor;
    DWORD copyrightPos = 0;
    bool useBitmap = false;  // "Installer Background.bmp" in the uninstall folder
    DWORD bitmapTpi = 0xFFFFFFFF;
    DWORD stretchMode = 0;
    DWORD bitmapSize = 0;
};

// The product as its Uninstall key describes it: what the uninstall batches see as installer
// variables, and what relative firewall programs are taken from.
struct UninstallProductValues {
    std::wstring displayName;
    std::wstring publisher;
    std::wstring version;
    std::wstring installDir;
    std::wstring uninstallSubdir;
    std::wstring sharedDir;
    std::wstring startMenuFolder;
    DWORD shortcutMode = 0;
    bool sixtyFourBit = false;
};

// What the uninstaller's pages say: the product's messages by number, in the installation's
// language, and the names that their "<product>" and "<description>" markers stand for.
struct UninstallPageTexts {
    std::function<std::wstring(std::size_t number)> message;
    std::wstring product;
    std::wstring description;
};

// The steps of an uninstallation that other parts of the engine carry out. Each member may
// be empty: the step then does nothing (its records are still consumed).
struct UninstallSeams {
    // Runs one of the product's uninstall batches; `hidden` is the batch's option flag.
    std::function<void(const std::string& batchText, bool hidden, const UninstallProductValues& product)>
        runBatch;
    // Restores the file types the installation took over and tells the shell. The backup
    // values that hold what each key had before are named after `displayName`.
    std::function<void(const std::vector<FileAssociation>& associations, const std::wstring& displayName)>
        restoreAssociations;
    // Removes the product's fonts ("\"name\" \"file\"" pairs); a question with a user
    // interface asks before each one.
    std::function<void(const std::wstring& productFonts, const RemovalQuestion& question)> removeFonts;
    // Unpins a shortcut from the taskbar.
    std::function<void(const std::wstring& shortcutPath)> unpinFromTaskbar;
    // Applies the removal lines of the registry script (UTF-8 lines of the data file).
    // `view` is KEY_WOW64_64KEY for a 64-bit product, else 0.
    std::function<void(const std::string& registryScript, REGSAM view)> removeRegistryEntries;
    // Removes the firewall exceptions of the data file's lines.
    std::function<void(const std::vector<std::string>& firewallLines, const UninstallProductValues& product)>
        removeFirewallExceptions;
    // The product's icon file ("uninstall.ico" in the uninstall folder), given at the start
    // when it exists, before any window opens: the uninstaller's windows then carry it.
    std::function<void(const std::wstring& iconFile)> useIcon;
    // The background window, created before the confirmation unless the product has none.
    std::function<void(const UninstallAppearance& appearance, const std::wstring& uninstallFolder)>
        showBackground;
    // The progress window: opened after the confirmation with the product's texts, then a
    // status line, the file or folder being removed, the percentage, and closing.
    std::function<void(const UninstallPageTexts& texts)> openProgress;
    std::function<void(const std::wstring& text)> showStatus;
    std::function<void(const std::wstring& path)> showCurrentFile;
    std::function<void(int percent)> setProgress;
    std::function<void()> closeProgress;
    // Brings the progress window back to the front after a program the uninstaller ran (the
    // unregistration of a shared component) may have taken the focus.
    std::function<void()> reactivateProgress;
    // The support offer shown before anything is removed; true when the user takes it.
    // `text` gives the product's messages by number, in the installation's language.
    std::function<bool(const std::wstring& address, const std::function<std::wstring(std::size_t)>& text)>
        offerSupport;
    // The cancellation notification when the user cancels while a program is still running.
    std::function<void()> notifyCancelled;
    // The product's notification after a successful uninstallation (sent in the background);
    // `session` is the installation's run stamp, so the server can match the two.
    std::function<void(const std::wstring& address, const std::wstring& displayName,
                       const std::wstring& version, std::uint64_t session)>
        notifyUninstalled;
    // Restarts Windows (a planned restart for an installation).
    std::function<void()> restartWindows;
    // How long the pauses that let the shell and other programs catch up last (ms).
    DWORD pauseMs = 700;
};

}  // namespace vantrel
