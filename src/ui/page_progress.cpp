#include "ui/page_progress.h"

#include "ui/background_window_layout.h"
#include "ui/button_images.h"
#include "ui/window_dpi.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

constexpr std::size_t kCancelQuestionMessage = 28;
constexpr std::size_t kCancelTitleMessage = 20;
constexpr std::size_t kCancelButtonMessage = 49;
constexpr std::size_t kInstallTitleMessage = 54;
constexpr std::size_t kUninstallTitleMessage = 55;
constexpr std::size_t kInstallTextMessage = 39;
constexpr std::size_t kUninstallTextMessage = 71;
constexpr std::size_t kGeneralCaptionMessage = 65;

// What the procedure of one open page works with; it goes with the page.
struct ProgressPageState {
    const PageEnvironment& environment;
    ProgressCancelFlag& cancel;
    // The guard of the loop that serves the page: what its procedure catches is rethrown
    // there, where the run can unwind.
    CallbackGuard& guard;
    HFONT mainFont = nullptr;
    HICON cancelImage = nullptr;
};

ProgressPageState* StateOf(HWND window) {
    return reinterpret_cast<ProgressPageState*>(GetWindowLongPtrW(window, DWLP_USER));
}

int Placed(std::uint32_t choice, LONG low, LONG high, LONG extent, LONG current) {
    switch (choice) {
        case 1:
            return low;
        case 2:
            return high - extent;
        case 3:
            return low + (high - low - extent) / 2;
        default:
            return current;
    }
}

void AskToCancel(HWND window, ProgressPageState& state) {
    const int answer =
        MessageBoxW(window, state.environment.Text(kCancelQuestionMessage).c_str(),
                    state.environment.Text(kCancelTitleMessage).c_str(), MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        state.cancel.Raise();
        EnableWindow(GetDlgItem(window, IDC_PAGE_CANCEL), FALSE);
    }
}

// The main text of the layouts without a picture is a tenth taller than the dialog's font.
HFONT TallerFont(HWND window) {
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW face{};
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof(face), &face) == 0)
        return nullptr;
    face.lfHeight = face.lfHeight * 11 / 10;
    return CreateFontIndirectW(&face);
}

INT_PTR CALLBACK ProgressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    ProgressPageState* state = StateOf(window);
    if (state == nullptr)
        return FALSE;
    if (message == WM_DESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        if (state->mainFont != nullptr)
            DeleteObject(state->mainFont);
        if (state->cancelImage != nullptr)
            DestroyIcon(state->cancelImage);
        delete state;
        return FALSE;
    }
    return state->guard.Call<INT_PTR>(FALSE, [&]() -> INT_PTR {
        switch (message) {
            case WM_COMMAND:
                if (LOWORD(wParam) == IDC_PAGE_CANCEL || LOWORD(wParam) == IDCANCEL) {
                    if (IsWindowEnabled(GetDlgItem(window, IDC_PAGE_CANCEL)))
                        AskToCancel(window, *state);
                    return TRUE;
                }
                return FALSE;
            case WM_CLOSE:
                // Closing the page is the Cancel button, not the end of the page.
                SendMessageW(window, WM_COMMAND, IDC_PAGE_CANCEL, 0);
                return TRUE;
            case WM_QUERYENDSESSION:
                // An installation half-done must not be cut off by the end of the session.
                SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE);
                return TRUE;
            default:
                return FALSE;
        }
    });
}

void SetPageTexts(HWND page, const PageEnvironment& environment, const ProgressPageOptions& options) {
    const std::wstring installerTitle =
        environment.installerTitle ? environment.installerTitle() : std::wstring();
    const std::wstring title =
        environment.Text(options.uninstall ? kUninstallTitleMessage : kInstallTitleMessage);
    std::wstring caption = title;
    if (options.layout == PageLayout::kHeader) {
        SetDlgItemTextW(page, IDC_PAGE_HEADER_TITLE, installerTitle.c_str());
        SetDlgItemTextW(page, IDC_PAGE_HEADER_SUBTITLE, title.c_str());
        caption = options.uninstall ? title : environment.Text(kGeneralCaptionMessage);
    }
    // An empty title would leave the frame saying nothing: the installer's title then.
    if (caption.empty())
        caption = installerTitle;
    SetWindowTextW(page, caption.c_str());
    SetDlgItemTextW(
        page, IDC_PAGE_MAIN_TEXT,
        environment.Text(options.uninstall ? kUninstallTextMessage : kInstallTextMessage).c_str());
    SetDlgItemTextW(page, IDC_PAGE_CANCEL, environment.Text(kCancelButtonMessage).c_str());
}

}  // namespace

POINT ProgressPagePlace(std::uint32_t positionCode, const RECT& area, SIZE size, POINT current) {
    return {Placed(positionCode & 0x3, area.left, area.right, size.cx, current.x),
            Placed((positionCode >> 3) & 0x3, area.top, area.bottom, size.cy, current.y)};
}

ProgressPageControls OpenProgressPage(const PageEnvironment& environment, const ProgressPageOptions& options,
                                      ProgressCancelFlag& cancel, HWND owner, CallbackGuard& guard) {
    auto* state = new ProgressPageState{environment, cancel, guard, nullptr};
    const std::wstring name = TemplateName(L"ProgressDlg", options.layout);
    const HWND page = CreateDialogParamW(environment.instance, name.c_str(), owner, ProgressProcedure,
                                         reinterpret_cast<LPARAM>(state));
    if (page == nullptr) {
        delete state;
        return {};
    }
    SetPageTexts(page, environment, options);
    if (options.layout == PageLayout::kPlain || options.layout == PageLayout::kHeader) {
        state->mainFont = TallerFont(page);
        if (state->mainFont != nullptr)
            SendDlgItemMessageW(page, IDC_PAGE_MAIN_TEXT, WM_SETFONT,
                                reinterpret_cast<WPARAM>(state->mainFont), TRUE);
    }
    if (environment.buttonImages) {
        state->cancelImage = DrawButtonImage(ButtonImage::kCancel, ScaleForDpi(16, WindowDpi(page)));
        ShowButtonImage(GetDlgItem(page, IDC_PAGE_CANCEL), state->cancelImage);
    }
    if (options.cancelDisabled)
        EnableWindow(GetDlgItem(page, IDC_PAGE_CANCEL), FALSE);

    RECT area{};
    if (options.againstScreen)
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT frame{};
    GetWindowRect(page, &frame);
    const POINT place =
        ProgressPagePlace(options.positionCode, area, {frame.right - frame.left, frame.bottom - frame.top},
                          {frame.left, frame.top});
    SetWindowPos(page, HWND_TOP, place.x, place.y, 0, 0, SWP_NOSIZE);
    ShowWindow(page, SW_SHOW);
    return {page, GetDlgItem(page, IDC_PAGE_PROGRESS_BAR), GetDlgItem(page, IDC_PAGE_PROGRESS_STATUS), false};
}

}  // namespace vantrel
