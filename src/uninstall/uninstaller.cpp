#include "uninstall/uninstaller.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>

#include "context/failure_list.h"
#include "format/message_table.h"
#include "format/path_canonical.h"
#include "format/path_join.h"
#include "format/product_registry_key.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "run/engine_identity.h"
#include "run/fatal_message.h"
#include "run/run_end.h"
#include "support/registry_all_users.h"
#include "support/registry_key.h"
#include "support/search_path.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "ui/message_box_texts.h"
#include "uninstall/component_removal.h"
#include "uninstall/conditional_deletions.h"
#include "uninstall/file_removal.h"
#include "uninstall/folder_guard.h"
#include "uninstall/pending_renames.h"
#include "uninstall/running_programs.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

namespace pf = product_flags;

constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool IsBlank(std::wstring_view text) {
    return text.find_first_not_of(L" \t\r\n") == std::wstring_view::npos;
}

std::wstring Trimmed(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(L" \t\r\n");
    return std::wstring(text.substr(first, last - first + 1));
}

// File-system redirection of this 32-bit process switched off for a 64-bit product, and
// back on however the run ends.
class RedirectionOff {
  public:
    RedirectionOff() = default;
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;
    ~RedirectionOff() { Restore(); }
    bool Disable() {
        active_ = Wow64DisableWow64FsRedirection(&old_) != FALSE;
        return active_;
    }
    void Restore() {
        if (active_)
            Wow64RevertWow64FsRedirection(old_);
        active_ = false;
    }

  private:
    PVOID old_ = nullptr;
    bool active_ = false;
};

// The product as its Uninstall key describes it.
struct InstalledProduct {
    std::wstring displayName;
    std::wstring installDir;
    std::uint32_t flagsLow = 0;
    std::uint32_t flagsHigh = 0;
    std::uint32_t flags2 = 0;
    DWORD bitness = 0;
    UninstallAppearance appearance;
    std::wstring displayVersion;
    std::wstring publisher;
    std::wstring uninstallSubdir;
    std::wstring pathSubfolder;
    std::wstring productFonts;
    DWORD shortcutMode = 0;
    std::wstring notifyUrl;
    std::uint64_t session = 0;
    std::wstring desktopFolder;
    std::wstring supportOffer;

    std::wstring UninstallFolder() const { return PathJoin(installDir, uninstallSubdir); }
    REGSAM View() const { return bitness == 1 ? KEY_WOW64_64KEY : 0; }
};

std::wstring TextValue(const RegistryKey& key, const wchar_t* name, const wchar_t* fallback = L"") {
    std::wstring text;
    return key.ReadText(name, text) ? text : std::wstring(fallback);
}

std::string Text8Value(const RegistryKey& key, const wchar_t* name) {
    return ToSystemCodePage(TextValue(key, name));
}

DWORD NumberValue(const RegistryKey& key, const wchar_t* name, DWORD fallback) {
    DWORD value = 0;
    return key.ReadNumber(name, value) ? value : fallback;
}

// Sizes are saved as plain decimals ("1", "0.75"); read here without wcstod, which pulls a
// whole floating-point parser into the engine. Reading stops at the first other character.
double SizeValue(const RegistryKey& key, const wchar_t* name, double fallback) {
    std::wstring text;
    if (!key.ReadText(name, text) || text.empty())
        return fallback;
    double value = 0;
    double scale = 1;
    bool fraction = false;
    for (const wchar_t c : text) {
        if (c == L'.' && !fraction) {
            fraction = true;
        } else if (c >= L'0' && c <= L'9') {
            if (!fraction) {
                value = value * 10 + (c - L'0');
            } else {
                scale /= 10;
                value += (c - L'0') * scale;
            }
        } else {
            break;
        }
    }
    return value;
}

void ReadProductValues(const RegistryKey& key, InstalledProduct& product) {
    const std::uint64_t flags =
        static_cast<std::uint64_t>(std::wcstoll(TextValue(key, L"ProductFlags").c_str(), nullptr, 10));
    product.flagsLow = static_cast<std::uint32_t>(flags & 0xFFFFFFFFu);
    product.flagsHigh = static_cast<std::uint32_t>(flags >> 32);
    product.flags2 =
        static_cast<std::uint32_t>(std::wcstoull(TextValue(key, L"ProductFlags2").c_str(), nullptr, 10));
    product.bitness = NumberValue(key, L"Bitness", 0);
    UninstallAppearance& look = product.appearance;
    look.displayTitle = TextValue(key, L"DisplayTitle");
    look.titleSize = SizeValue(key, L"TitleSize", 1.0);
    look.titleColor = NumberValue(key, L"TitleColor", GetSysColor(COLOR_WINDOWTEXT));
    look.titleShadow = NumberValue(key, L"TitleShadow", 1);
    look.topColor = NumberValue(key, L"TopColor", GetSysColor(COLOR_WINDOW));
    look.bottomColor = NumberValue(key, L"BottomColor", 0);
    look.monoColor = NumberValue(key, L"MonoColor", 1);
    look.titlePosition = NumberValue(key, L"TitlePosition", 0);
    look.titleFont = TextValue(key, L"TitleFont");
    look.taskbarText = TextValue(key, L"TaskbarText", L"Setup");
    look.copyrightText = TextValue(key, L"CopyrightText");
    look.copyrightFont = TextValue(key, L"CopyrightFont");
    look.copyrightSize = SizeValue(key, L"CopyrightSize", 0.0);
    look.copyrightColor = TextValue(key, L"CopyrightColor");
    look.copyrightPos = NumberValue(key, L"CopyrightPos", 0);
    product.displayVersion = TextValue(key, L"DisplayVersion");
    product.publisher = TextValue(key, L"Publisher");
    product.uninstallSubdir = TextValue(key, L"UninstallSubdir");
    product.pathSubfolder = TextValue(key, L"AddToPathSubfolder");
    product.productFonts = TextValue(key, L"ProductFonts");
    product.shortcutMode = NumberValue(key, L"ShortcutMode", 0);
    product.notifyUrl = TextValue(key, L"NotifyURL");
    if (!key.ReadQword(L"Session", product.session))
        product.session = 0;
    product.desktopFolder = TextValue(key, L"DesktopFolder");
    if ((product.flagsLow & pf::kBackgroundBitmap) != 0) {
        look.useBitmap = true;
        look.bitmapTpi = NumberValue(key, L"BitmapTPI", 0xFFFFFFFF);
        look.stretchMode = NumberValue(key, L"StretchMode", 0);
        look.bitmapSize = NumberValue(key, L"BitmapSize", 0);
    }
}

std::wstring StringOf(const std::map<int, std::wstring>& strings, int number) {
    const auto found = strings.find(number);
    return found == strings.end() ? std::wstring() : found->second;
}

bool IsWebAddress(const std::wstring& text) {
    return (text.rfind(L"http://", 0) == 0 || text.rfind(L"https://", 0) == 0) && text.size() > 8 &&
           text.find_first_of(L" \t\r\n\"") == std::wstring::npos;
}

class Uninstaller {
  public:
    Uninstaller(RunState& run, const std::wstring& productName, const UninstallSeams& seams)
        : run_(run), productName_(productName), seams_(seams) {}

    UninstallOutcome Run();

  private:
    bool UserInterfaceOff() const {
        return run_.options.silent || (product_.flagsLow & pf::kUninstallSilently) != 0;
    }
    bool AsksQuestions() const { return !UserInterfaceOff() && !run_.options.automatic; }
    std::wstring String(int number) const { return StringOf(data_.Content().strings, number); }
    // The start's messages; a product that uninstalls without a user interface shows none
    // once its flags are read.
    void Tell(const std::wstring& text) {
        if (!UserInterfaceOff() && run_.ui)
            run_.ui->ShowMessageBox(text, kEngineName, mb::kOk | mb::kIconError);
    }
    int Ask(const std::wstring& text, const std::wstring& caption, unsigned style) {
        return run_.ui ? run_.ui->ShowMessageBox(text, caption, style) : mb::kIdYes;
    }
    void Status(int number) {
        if (seams_.showStatus)
            seams_.showStatus(String(number));
    }
    void Progress(int percent) {
        if (seams_.setProgress)
            seams_.setProgress(percent);
    }
    void ShowFile(const std::wstring& path) {
        if ((product_.flagsHigh & pf::kHideFileNamesInProgress) == 0 && seams_.showCurrentFile)
            seams_.showCurrentFile(path);
    }
    void Pause() const { Sleep(seams_.pauseMs); }
    UninstallProductValues Values() const {
        return {product_.displayName, product_.publisher,       product_.displayVersion,
                product_.installDir,  product_.uninstallSubdir, sharedPath_,
                startMenu_,           product_.shortcutMode,    product_.bitness == 1};
    }
    // A question of a removal step, asked only when `ask` and the run asks questions at all
    // (an automatic run takes the default, which removes).
    RemovalQuestion Question(bool ask, int text, int title) const {
        return {ask && AsksQuestions() ? run_.ui.get() : nullptr, String(text), String(title)};
    }

    bool Start();
    void Confirm();
    void RemoveEverything();
    void RemoveFonts();
    void LowerSharedCounts();
    void RemoveMsiPackages();
    void RemoveRecordedObjects();
    void RemoveFolders();
    void RemoveStartMenuFolder();
    void RemoveProductRegistryKey();
    void FinishWhenClean();
    bool End();

    RunState& run_;
    std::wstring productName_;
    const UninstallSeams& seams_;
    RegistryKey key_;
    InstalledProduct product_;
    UninstallData data_;
    std::wstring dataPath_;
    FailureList failures_;
    RedirectionOff redirection_;
    std::unique_ptr<MessageBoxButtonTexts> buttonTexts_;
    std::vector<std::string> remainingFileLines_;
    std::vector<std::string> remainingMsiLines_;
    std::vector<std::wstring> deletedFiles_;
    std::vector<std::string> folders_;
    std::wstring sharedPath_;
    std::wstring startMenu_;
};

bool Uninstaller::Start() {
    const std::wstring keyPath = ProductUninstallKeyPath(productName_);
    {
        // Full access tells a missing product from a user without the rights to remove it.
        RegistryKey probe;
        if (probe.Open(HKEY_LOCAL_MACHINE, keyPath, registry_option::kOpenOnly, KEY_ALL_ACCESS) ==
            RegistryOpen::kFailed) {
            if (GetLastError() == ERROR_ACCESS_DENIED)
                Tell(L"Permission denied.  Please run the uninstaller with administrator rights.");
            else
                Tell(FormatText(L"No product named '%s' is installed.", {productName_}));
            return false;
        }
    }
    if (key_.Open(HKEY_LOCAL_MACHINE, keyPath, registry_option::kOpenOnly, KEY_READ | KEY_WRITE) ==
        RegistryOpen::kFailed) {
        Tell(FormatText(
            L"Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation cannot be "
            L"performed.",
            {productName_}));
        return false;
    }
    product_.displayName = TextValue(key_, L"DisplayName");
    if (IsBlank(product_.displayName))
        product_.displayName = productName_;
    product_.installDir = TextValue(key_, L"InstallLocation");
    if (IsBlank(product_.installDir)) {
        Tell(FormatText(
            L"The uninstall information for %s is corrupt.\r\n\r\nThe uninstallation cannot be performed.",
            {product_.displayName}));
        return false;
    }
    ReadProductValues(key_, product_);
    if (product_.bitness == 1 && !redirection_.Disable())
        Fatal(L"Wow64DisableWow64FsRedirection() failed");
    if (product_.session == 0)
        product_.session = TakeRunStamp();
    const std::wstring iconFile = PathJoin(product_.UninstallFolder(), L"uninstall.ico");
    const DWORD iconAttributes = GetFileAttributesW(iconFile.c_str());
    if (seams_.useIcon && iconAttributes != INVALID_FILE_ATTRIBUTES &&
        (iconAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        seams_.useIcon(iconFile);
    // A product without a user interface still shows its background: it only asks nothing.
    if ((product_.flagsLow & pf::kNoBackgroundWindow) == 0 && !run_.options.automatic &&
        seams_.showBackground)
        seams_.showBackground(product_.appearance, product_.UninstallFolder());

    dataPath_ = PathJoin(product_.UninstallFolder(), L"Uninstall.DAT");
    const unsigned long readError = data_.Read(dataPath_);
    if (readError != 0) {
        Tell(UninstallDataLoadFailureText(product_.displayName, dataPath_, readError));
        return false;
    }
    // From here on the questions are asked in the installation's language, buttons included.
    if (!UserInterfaceOff())
        buttonTexts_ = std::make_unique<MessageBoxButtonTexts>(
            [this](std::size_t number) { return String(static_cast<int>(number)); });
    return true;
}

void Uninstaller::Confirm() {
    CloseRunningPrograms(data_.Content().autoClose);
    if (AsksQuestions()) {
        if (Ask(String(53), String(55), mb::kYesNo | mb::kIconQuestion) == mb::kIdNo)
            throw RunEnd{1};
        product_.supportOffer = Trimmed(TextValue(key_, L"SupportOffer"));
        if (IsWebAddress(product_.supportOffer) && seams_.offerSupport &&
            seams_.offerSupport(product_.supportOffer,
                                [this](std::size_t number) { return String(static_cast<int>(number)); })) {
            ShellExecuteW(nullptr, L"open", product_.supportOffer.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            throw RunEnd{kExitUninstall};
        }
    }
    // Nobody can answer the question when the product uninstalls without a user interface:
    // as in an automatic run, the programs that would be asked about are left running
    // instead of waiting for them for ever.
    if (AsksQuestions()) {
        const bool allClosed =
            WaitForProgramsToClose(data_.Content().autoClose, [this](const std::wstring& name) {
                return Ask(FormatText(String(107), {name}), String(55),
                           mb::kRetryCancel | mb::kIconWarning) == mb::kIdRetry;
            });
        if (!allClosed) {
            if (seams_.notifyCancelled)
                seams_.notifyCancelled();
            Ask(String(101), String(111), mb::kOk | mb::kIconWarning);
            throw RunEnd{1};
        }
    }
    // Like the installation's, the progress window is the product's choice.
    if ((product_.flagsHigh & pf::kShowProgressDialog) != 0 && seams_.openProgress) {
        // The page may outlive this object: it gets the texts, not a way back to them.
        UninstallPageTexts texts;
        texts.message = [strings = data_.Content().strings](std::size_t number) {
            return StringOf(strings, static_cast<int>(number));
        };
        texts.product =
            data_.Content().productTitle.empty() ? product_.displayName : data_.Content().productTitle;
        texts.description = product_.displayName;
        seams_.openProgress(texts);
    }
}

void Uninstaller::RemoveFonts() {
    Status(67);
    Progress(3);
    if (product_.productFonts.empty())
        return;
    if (seams_.removeFonts)
        seams_.removeFonts(product_.productFonts,
                           Question((product_.flagsLow & pf::kAskBeforeRemovingFonts) != 0, 56, 57));
    key_.SetText(L"ProductFonts", L"");
    Pause();
}

void Uninstaller::LowerSharedCounts() {
    const std::string sharedFiles = Text8Value(key_, L"SharedFiles");
    if (sharedFiles.empty())
        return;
    const bool ask = (product_.flagsLow & pf::kAskBeforeDeletingShared) != 0;
    if (LowerProductSharedFileCounts(sharedFiles, product_.bitness == 1, ask, Question(ask, 59, 35),
                                     seams_.reactivateProgress, failures_))
        key_.DeleteValue(L"SharedFiles");
}

void Uninstaller::RemoveMsiPackages() {
    const std::vector<std::string>& lines = data_.Content().msiLines;
    if (lines.empty())
        return;
    Status(108);
    vantrel::RemoveMsiPackages(lines, failures_, remainingMsiLines_);
    Pause();
}

void Uninstaller::RemoveRecordedObjects() {
    Progress(10);
    std::vector<std::string> lines = std::move(data_.Content().removalList);
    data_.ResetRemovalList();
    std::size_t done = 0;
    for (const std::string& line : lines) {
        ++done;
        if (line.empty())
            continue;
        const RemovalKind kind = RemovalKindOf(line);
        const std::string_view encoded = RemovalPathOf(line);
        switch (kind) {
            case RemovalKind::kFolder:
                folders_.emplace_back(encoded);
                continue;
            case RemovalKind::kRegistryValue:
            case RemovalKind::kRegistryKey:
            case RemovalKind::kRegistryKey64: {
                const std::wstring path = DecodeText(encoded);
                HKEY root = nullptr;
                std::wstring_view rest;
                if (!FindRegistryRoot(path, root, rest) || rest.empty())
                    continue;
                if (kind == RemovalKind::kRegistryValue) {
                    const std::size_t last = rest.rfind(L'\\');
                    if (last == std::wstring_view::npos)
                        continue;
                    RegistryKey key;
                    if (key.Open(root, rest.substr(0, last), registry_option::kOpenOnly, KEY_SET_VALUE) !=
                        RegistryOpen::kFailed)
                        key.DeleteValue(rest.substr(last + 1));
                } else {
                    DeleteRegistryKey(root, rest, 0,
                                      kind == RemovalKind::kRegistryKey64 ? KEY_WOW64_64KEY : 0);
                }
                continue;
            }
            case RemovalKind::kFile:
                break;
        }
        const std::optional<std::wstring> path = DecodeRecordedPath(encoded);
        if (!path) {
            failures_.Append(String(58) + L" " + DecodeText(encoded) + L"\r\n");
            remainingFileLines_.push_back(line);
            continue;
        }
        ShowFile(*path);
        Progress(static_cast<int>(11 + 81 * done / lines.size()));
        if (GetFileAttributesW(path->c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (DeleteFileWithFlags(*path, 0)) {
            deletedFiles_.push_back(*path);
        } else {
            failures_.Append(String(58) + L" " + *path + L"\r\n");
            remainingFileLines_.push_back(line);
        }
    }
}

void Uninstaller::RemoveFolders() {
    std::stable_sort(folders_.begin(), folders_.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    const std::wstring installDir = ComparablePath(product_.installDir);
    for (const std::string& encoded : folders_) {
        const std::optional<std::wstring> decoded = DecodeRecordedPath(encoded);
        if (!decoded)
            continue;
        ShowFile(*decoded);
        // Parents are climbed only inside the installation folder, which itself stays: the
        // self-deletion batch or the tree removal takes it.
        const std::wstring comparable = ComparablePath(*decoded);
        const bool inside =
            comparable.size() > installDir.size() && comparable.rfind(installDir + L"\\", 0) == 0;
        std::wstring folder = *decoded;
        for (int level = 0; level < 50; ++level) {
            if (ComparablePath(folder) == installDir)
                break;
            if (!RemoveFolder(folder, 0) || !inside)
                break;
            folder = WithoutLastComponent(folder);
            if (folder.empty())
                break;
        }
    }
}

void Uninstaller::RemoveStartMenuFolder() {
    // The name comes from the registry: one that climbs out of the Programs folder would
    // take folders (and their desktop.ini) that the installation never made.
    if (startMenu_.empty() || HasParentSegment(startMenu_))
        return;
    const std::wstring programs = product_.shortcutMode == 1 ? SMProgramsAllFolder() : SMProgramsFolder();
    const std::wstring stop = ComparablePath(programs);
    std::wstring folder = PathJoin(programs, startMenu_);
    if (ComparablePath(folder).rfind(stop + L"\\", 0) != 0)
        return;
    for (int level = 0; level < 20 && !folder.empty(); ++level) {
        if (ComparablePath(folder) == stop || !RemoveFolder(folder, 0))
            break;
        folder = WithoutLastComponent(folder);
    }
}

void Uninstaller::RemoveProductRegistryKey() {
    const std::wstring productKey = TextValue(key_, L"ProductRegistry");
    if (productKey.empty())
        return;
    // A shared key would take other software's settings with it: such a value is left alone.
    if (IsRemovableProductRegistryKey(productKey)) {
        const REGSAM view = product_.View();
        auto removeBelow = [view](HKEY root, const std::wstring& software, const std::wstring& relative) {
            std::wstring path = PathJoin(software, relative);
            DeleteRegistryKey(root, path, 0, view);
            for (int level = 0; level < 20; ++level) {
                path = WithoutLastComponent(path);
                if (path.size() <= software.size() ||
                    !DeleteRegistryKey(root, path, registry_option::kEmptyOnly, view))
                    break;
            }
        };
        removeBelow(HKEY_LOCAL_MACHINE, L"Software", productKey);
        // Every user's copy of the key; a hive that is not loaded cannot be reached.
        for (const std::wstring& hive : UserHiveNames(view))
            removeBelow(HKEY_USERS, hive + L"\\Software", productKey);
    }
    key_.DeleteValue(L"ProductRegistry");
}

void Uninstaller::FinishWhenClean() {
    if (!failures_.Empty())
        return;
    DeleteFileWithFlags(dataPath_, delete_flags::kMissingIsSuccess);
    if ((product_.flagsLow & pf::kRemoveFromPath) != 0)
        RemoveFolderFromSearchPath(SearchPathFolderOf(product_.installDir, product_.pathSubfolder));
    const std::string batch2 = Text8Value(key_, L"UninstallBatch2");
    if (!batch2.empty()) {
        if (seams_.runBatch)
            seams_.runBatch(batch2, (product_.flagsLow & pf::kUninstallBatch2Option) != 0, Values());
        key_.DeleteValue(L"UninstallBatch2");
    }
    key_.Close();
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, ProductUninstallKeyPath(productName_), 0, 0);
}

void Uninstaller::RemoveEverything() {
    // Batch 1 and the associations.
    sharedPath_ = TextValue(key_, L"SharedPath");
    startMenu_ = TextValue(key_, L"ProductStartMenu");
    const std::string batch1 = Text8Value(key_, L"UninstallBatch1");
    if (!batch1.empty()) {
        if (seams_.runBatch)
            seams_.runBatch(batch1, (product_.flagsLow & pf::kUninstallBatch1Option) != 0, Values());
        key_.DeleteValue(L"UninstallBatch1");
    }
    Status(70);
    Progress(1);
    if (!data_.Content().associations.empty()) {
        if (seams_.restoreAssociations)
            seams_.restoreAssociations(data_.Content().associations, product_.displayName);
        Pause();
    }
    RemoveFonts();

    Status(68);
    Progress(5);
    if ((product_.flagsHigh & pf::kKeepInstallLog) == 0)
        DeleteFileWithFlags(PathJoin(product_.UninstallFolder(), L"Install.log"),
                            delete_flags::kMissingIsSuccess);
    LowerSharedCounts();

    // The pinned links are found by the same rule as everywhere; the verb's result is not
    // looked at, so the seam reports plain success.
    if (seams_.unpinFromTaskbar)
        UnpinTaskbarShortcuts(data_.Content().removalList, [this](const std::wstring& link, const wchar_t*) {
            seams_.unpinFromTaskbar(link);
            return std::intptr_t{33};
        });
    Pause();
    RemoveMsiPackages();

    RemoveRecordedObjects();
    Progress(92);
    CleanPendingRenames(deletedFiles_, nullptr);
    ConditionalDeletionContext deletions;
    deletions.phase = DeletionPhase::kUninstallation;
    deletions.installDir = product_.installDir;
    RunConditionalDeletions(deletions, data_.Content().deletions);
    if (deletions.restartNeeded)
        product_.flagsHigh |= pf::kRestartAfterUninstall;
    Progress(93);
    RemoveFolders();

    // The rewrite keeps no firewall or driver lines; their steps come after it.
    const std::vector<std::string> firewallLines = data_.Content().firewallLines;
    const std::vector<std::string> infLines = data_.Content().infLines;
    data_.KeepOnlyWhatRemains(remainingFileLines_, remainingMsiLines_);
    const MessageTable noMessages;
    data_.Write(dataPath_, failures_, noMessages);
    data_.ResetRemovalList();

    RemoveStartMenuFolder();
    Pause();
    Status(69);
    Progress(95);
    RemoveProductRegistryKey();
    const std::string& registryScript = data_.Content().registryScript;
    if (!registryScript.empty() && seams_.removeRegistryEntries)
        seams_.removeRegistryEntries(registryScript, product_.View());
    Progress(96);
    if (!firewallLines.empty() && seams_.removeFirewallExceptions)
        seams_.removeFirewallExceptions(firewallLines, Values());
    Progress(97);
    RemoveDrivers(infLines);
    if ((product_.flagsLow & pf::kRemoveInstallTree) != 0)
        RemoveFolderTree(product_.installDir, 0);
    Progress(98);
    if (!sharedPath_.empty())
        RemoveFolder(sharedPath_, 0);
    FinishWhenClean();

    key_.Close();
    const std::wstring desktop = product_.shortcutMode == 1 ? DesktopAllFolder() : DesktopFolder();
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, desktop.c_str(), nullptr);
    Progress(100);
    redirection_.Restore();
    if ((product_.flagsHigh & pf::kShowProgressDialog) != 0) {
        Pause();
        if (seams_.closeProgress)
            seams_.closeProgress();
    }
}

bool Uninstaller::End() {
    if (!failures_.Empty()) {
        if (!UserInterfaceOff())
            Ask(FormatText(String(10), {failures_.Text()}), String(20), mb::kOk | mb::kIconWarning);
        return false;
    }
    if ((product_.flags2 & 0x40000) != 0 && !UserInterfaceOff())
        Ask(String(34), String(15), mb::kOk | mb::kIconInformation);
    if ((product_.flagsHigh & pf::kRestartAfterUninstall) != 0 && seams_.restartWindows) {
        if (UserInterfaceOff() || Ask(String(74), String(20), mb::kYesNo | mb::kIconQuestion) == mb::kIdYes)
            seams_.restartWindows();
    }
    if (!run_.options.launchOnExit.empty()) {
        const std::wstring& program = run_.options.launchOnExit;
        ShellExecuteW(nullptr, nullptr, program.c_str(), nullptr, FolderOf(program).c_str(), SW_SHOWNORMAL);
    }
    return true;
}

UninstallOutcome Uninstaller::Run() {
    UninstallOutcome outcome;
    if (!Start())
        return outcome;
    Confirm();
    RemoveEverything();
    outcome.succeeded = End();
    outcome.installDir = product_.installDir;
    outcome.uninstallSubdir = product_.uninstallSubdir;
    outcome.notifyUrl = product_.notifyUrl;
    outcome.displayName = product_.displayName;
    outcome.displayVersion = product_.displayVersion;
    outcome.session = product_.session;
    return outcome;
}

}  // namespace

std::wstring ProductUninstallKeyPath(const std::wstring& productName) {
    return PathJoin(kUninstallRoot, productName);
}

UninstallOutcome RunUninstaller(RunState& run, const std::wstring& productName, const UninstallSeams& seams) {
    Uninstaller uninstaller(run, productName, seams);
    return uninstaller.Run();
}

}  // namespace vantrel
