#include "engine/window_seams.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <memory>

#include "engine/installation_steps.h"
#include "engine/payload.h"
#include "format/os_version.h"
#include "format/path_join.h"
#include "run/run_state.h"
#include "support/file_io.h"
#include "support/os_info.h"
#include "support/unique_handle.h"
#include "ui/page_progress.h"
#include "ui/program_icons.h"

namespace vantrel {
namespace {

constexpr std::size_t kProgressCaptionMessage = 54;
// The progress page's position code: centred across and down.
constexpr std::uint32_t kCentredBothWays = 3 | 24;
// The saved picture is a BMP file: a 14-byte file header before the packed bitmap.
constexpr std::size_t kBitmapFileHeader = 14;
// Larger files are not a background picture of this program.
constexpr std::uint64_t kLargestPictureFile = 256ull * 1024 * 1024;

bool IsBlank(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (std::iswspace(c) == 0)
            return false;
    }
    return true;
}

COLORREF ColourOf(std::uint32_t value) {
    return static_cast<COLORREF>(value & 0xFFFFFF);
}

int IndexOf(std::uint32_t value) {
    return value == 0xFFFFFFFFu ? -1 : static_cast<int>(value);
}

// "RRGGBB" as the product key keeps the copyright colour; black when it reads otherwise.
COLORREF ColourOfText(const std::wstring& text) {
    if (text.size() != 6 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return std::iswxdigit(c) != 0; }))
        return 0;
    const unsigned long rgb = std::wcstoul(text.c_str(), nullptr, 16);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The packed bitmap of a saved "Installer Background.bmp"; empty when it cannot be read.
std::vector<std::uint8_t> ReadPictureFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) ||
        size.QuadPart <= static_cast<LONGLONG>(kBitmapFileHeader) ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestPictureFile)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    if (!ReadFileAt(file.Get(), 0, bytes.data(), bytes.size()) || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    bytes.erase(bytes.begin(), bytes.begin() + kBitmapFileHeader);
    return bytes;
}

}  // namespace

RunWindows::~RunWindows() {
    display_.Close();
    background_.reset();
}

void RunWindows::RepaintBackground() {
    if (background_)
        background_->Repaint();
}

void RunWindows::ShowBackground(const BackgroundPlacement& placement, BackgroundLook look) {
    background_ = BackgroundWindow::Create(placement, std::move(look), guard_);
    Service();
}

void RunWindows::BringBackgroundToFront() {
    if (background_)
        background_->BringToFront();
    Service();
}

void RunWindows::OpenProgress(const ProgressPageFactory& openPage, const std::wstring& caption) {
    if (openPage) {
        const ProgressPageControls controls = openPage(Background(), guard_);
        if (controls.page != nullptr) {
            display_.ShowOnPage(controls);
            Service();
            return;
        }
    }
    display_.ShowOwnControls(instance_, Background(), caption);
    Service();
}

BackgroundLook LookFromSettings(const Settings& settings) {
    BackgroundLook look;
    look.caption = settings.taskbarText;
    // The message table is read after the window shows and the language may change later:
    // the title is looked up when it is drawn.
    look.title = [&settings] {
        return IsBlank(settings.displayTitle) ? settings.messages.Text(0) : settings.displayTitle;
    };
    look.titleSize = settings.titleSize;
    look.titleColor = ColourOf(settings.titleColor);
    look.titleShadow = settings.titleShadow;
    look.titlePosition = settings.titlePosition;
    look.titleFont = settings.titleFont;
    look.topColor = ColourOf(settings.topColor);
    look.bottomColor = ColourOf(settings.bottomColor);
    look.oneColour = look.topColor == look.bottomColor;
    look.picture = settings.bitmap;
    look.transparentIndex = IndexOf(settings.bitmapTpi);
    look.pictureSize = settings.bitmapSize;
    look.stretchMode = settings.stretchMode;
    look.copyrightPosition = settings.copyright.position;
    look.copyrightColor = ColourOf(settings.copyright.color);
    look.copyrightSize = settings.copyright.size;
    look.copyrightText = settings.copyright.text;
    look.copyrightFont = settings.copyright.font;
    return look;
}

BackgroundLook LookFromAppearance(const UninstallAppearance& appearance,
                                  const std::wstring& uninstallFolder) {
    BackgroundLook look;
    look.caption = appearance.taskbarText;
    look.title = [title = appearance.displayTitle] { return title; };
    look.titleSize = appearance.titleSize;
    look.titleColor = ColourOf(appearance.titleColor);
    look.titleShadow = static_cast<int>(appearance.titleShadow);
    look.titlePosition = static_cast<int>(appearance.titlePosition);
    look.titleFont = appearance.titleFont;
    look.topColor = ColourOf(appearance.topColor);
    look.bottomColor = ColourOf(appearance.bottomColor);
    look.oneColour = appearance.monoColor != 0;
    if (appearance.useBitmap) {
        look.picture = ReadPictureFile(PathJoin(uninstallFolder, L"Installer Background.bmp"));
        look.transparentIndex = IndexOf(appearance.bitmapTpi);
        look.pictureSize = static_cast<int>(appearance.bitmapSize);
        look.stretchMode = static_cast<int>(appearance.stretchMode);
    }
    look.copyrightPosition = static_cast<int>(appearance.copyrightPos);
    look.copyrightColor = ColourOfText(appearance.copyrightColor);
    look.copyrightSize = appearance.copyrightSize;
    look.copyrightText = appearance.copyrightText;
    look.copyrightFont = appearance.copyrightFont;
    return look;
}

std::unique_ptr<RunWindows> AddInstallerWindows(RunState& run, const Payload& payload,
                                                ProgressSeams& progress,
                                                const ProgressPageFactory& openPage) {
    auto windows = std::make_unique<RunWindows>(run.instance);
    if (run.options.silent)
        return windows;
    const Settings& settings = payload.settings;
    if ((settings.productFlagsLow & product_flags::kNoBackgroundWindow) == 0) {
        windows->ShowBackground(
            {run.instance, nullptr, payload.backgroundMaximized, run.options.minimizedStart},
            LookFromSettings(settings));
    }
    RunWindows* shown = windows.get();
    progress.createDialog = [shown, openPage, &settings] {
        shown->OpenProgress(openPage, settings.messages.Text(kProgressCaptionMessage));
    };
    progress.closeDialog = [shown] { shown->Display().Close(); };
    progress.status = [shown](const std::wstring& text) { shown->Display().SetStatus(text); };
    progress.percent = [shown](int percent) { shown->Display().SetPercent(percent); };
    progress.backgroundToFront = [shown] { shown->BringBackgroundToFront(); };
    return windows;
}

std::unique_ptr<RunWindows> AddUninstallWindows(RunState& run, UninstallSeams& seams) {
    auto windows = std::make_unique<RunWindows>(run.instance);
    if (run.options.silent)
        return windows;
    RunWindows* shown = windows.get();
    // The progress window's caption: the background's, as the product key kept it.
    auto caption = std::make_shared<std::wstring>();
    // The product's own icon, when it left one, on every window of the uninstaller. The
    // seams hold it, and they outlive the windows.
    auto icons = std::make_shared<std::shared_ptr<const FileIcons>>();
    seams.useIcon = [icons](const std::wstring& iconFile) {
        auto loaded = std::make_shared<const FileIcons>(iconFile);
        if (loaded->Loaded())
            *icons = std::move(loaded);
    };
    auto giveIcons = [icons](HWND window) {
        if (*icons)
            (*icons)->GiveTo(window);
    };
    seams.showBackground = [shown, caption, giveIcons, &run](const UninstallAppearance& appearance,
                                                             const std::wstring& uninstallFolder) {
        *caption = appearance.taskbarText;
        shown->ShowBackground({run.instance, nullptr, false, run.options.minimizedStart},
                              LookFromAppearance(appearance, uninstallFolder));
        giveIcons(shown->Background());
    };
    // Cancel stays disabled: an uninstallation stopped half-way would leave a broken product.
    // The product key keeps no page layout or position: the header layout, centred.
    seams.openProgress = [shown, caption, giveIcons, instance = run.instance,
                          environment = std::make_shared<PageEnvironment>(),
                          cancel = std::make_shared<ProgressCancelFlag>()](const UninstallPageTexts& texts) {
        environment->instance = instance;
        environment->text = [texts, windowsName = OsName(CurrentOs())](std::size_t number) {
            return WithProductMarkers(texts.message ? texts.message(number) : std::wstring(), texts.product,
                                      texts.description, windowsName);
        };
        environment->installerTitle = [product = texts.product] { return product; };
        ProgressPageOptions options;
        options.layout = PageLayout::kHeader;
        options.positionCode = kCentredBothWays;
        options.cancelDisabled = true;
        options.uninstall = true;
        shown->OpenProgress(
            [&options, environment, cancel](HWND owner, CallbackGuard& guard) {
                return OpenProgressPage(*environment, options, *cancel, owner, guard);
            },
            *caption);
        giveIcons(shown->Display().Window());
    };
    seams.showStatus = [shown](const std::wstring& text) { shown->Display().SetStatus(text); };
    seams.showCurrentFile = [shown](const std::wstring& path) { shown->Display().SetStatus(path); };
    seams.setProgress = [shown](int percent) { shown->Display().SetPercent(percent); };
    seams.closeProgress = [shown] { shown->Display().Close(); };
    seams.reactivateProgress = [shown] {
        if (const HWND window = shown->Display().Window())
            SetForegroundWindow(window);
        shown->Service();
    };
    return windows;
}

}  // namespace vantrel
