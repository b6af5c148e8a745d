#include "ui/wizard_page.h"

#include "ui/background_window_layout.h"
#include "ui/program_icons.h"
#include "ui/window_dpi.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

constexpr UINT kBringToFront = WM_APP + 1;
constexpr wchar_t kBackgroundClass[] = L"VantrelBackground";

BOOL CALLBACK FindBackground(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, kBackgroundClass) == 0 && IsWindow(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Texts that lie on the white panel of the panel layout.
bool OnPanel(int id) {
    switch (id) {
        case IDC_PAGE_MAIN_TEXT:
        case 1011:
        case IDC_PAGE_SPACE_REQUIRED:
        case IDC_PAGE_SPACE_AVAILABLE:
        case IDC_PAGE_LINK:
        case IDC_PAGE_OPEN_ITEM:
        case IDC_PAGE_OPEN_SECOND_ITEM:
        case IDC_PAGE_LAUNCH:
        case IDC_PAGE_VIEW_LOG:
            return true;
        default:
            return false;
    }
}

RECT ChildRect(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void StretchPicture(HDC dc, HBITMAP picture, const RECT& target) {
    BITMAP info{};
    if (picture == nullptr || GetObjectW(picture, sizeof info, &info) == 0)
        return;
    HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ previous = SelectObject(source, picture);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source, 0,
               0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace

PageLayout LayoutOfStyle(std::uint32_t pageStyle) {
    switch (pageStyle) {
        case 0:
            return PageLayout::kPlain;
        case 1:
            return PageLayout::kPicture;
        case 3:
            return PageLayout::kPanel;
        default:
            return PageLayout::kHeader;
    }
}

std::wstring TemplateName(const wchar_t* family, PageLayout layout) {
    std::wstring name = family;
    switch (layout) {
        case PageLayout::kPlain:
            return name + L"2";
        case PageLayout::kPicture:
            return name;
        case PageLayout::kHeader:
            return name + L"3";
        case PageLayout::kPanel:
            return name + L"4";
    }
    return name;
}

HWND PageOwner() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBackground, reinterpret_cast<LPARAM>(&found));
    return found;
}

WizardPage::WizardPage(const PageEnvironment& environment, std::wstring templateName, PageLayout layout,
                       PageMessages messages)
    : environment_(environment),
      layout_(layout),
      messages_(messages),
      templateName_(std::move(templateName)) {}

WizardPage::~WizardPage() {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(sidePicture_), static_cast<HGDIOBJ>(headerPicture_),
                           static_cast<HGDIOBJ>(boldFont_), static_cast<HGDIOBJ>(linkFont_)}) {
        if (object != nullptr)
            DeleteObject(object);
    }
    for (HICON icon : buttonImages_) {
        if (icon != nullptr)
            DestroyIcon(icon);
    }
}

INT_PTR WizardPage::Show() {
    const INT_PTR result = DialogBoxParamW(environment_.instance, templateName_.c_str(), PageOwner(),
                                           &WizardPage::Procedure, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    if (guard_.Pending()) {
        // The guard asked the message loop to end; there is no loop of ours to end here.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        guard_.RethrowPending();
    }
    // A page that cannot be shown agrees to nothing.
    return result <= 0 ? IDC_PAGE_CANCEL : result;
}

INT_PTR CALLBACK WizardPage::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        page = reinterpret_cast<WizardPage*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        page->window_ = window;
    }
    if (page == nullptr)
        return FALSE;
    const INT_PTR result =
        page->guard_.Call(static_cast<INT_PTR>(FALSE), [&] { return page->Handle(message, wParam, lParam); });
    if (page->guard_.Pending())
        EndDialog(window, IDC_PAGE_CANCEL);
    return result;
}

INT_PTR WizardPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = 0;
    switch (message) {
        case WM_INITDIALOG: {
            SetUp();
            const bool defaultFocus = Initialise();
            PostMessageW(window_, kBringToFront, 0, 0);
            return defaultFocus ? TRUE : FALSE;
        }
        case kBringToFront:
            SetForegroundWindow(window_);
            return TRUE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int notification = HIWORD(wParam);
            if (OnCommand(id, notification))
                return TRUE;
            if (id == IDC_PAGE_NEXT && notification == BN_CLICKED) {
                OnNext();
                return TRUE;
            }
            if (id == IDCANCEL || (id == IDC_PAGE_CANCEL && notification == BN_CLICKED)) {
                OnCancel();
                return TRUE;
            }
            return FALSE;
        }
        case WM_DRAWITEM:
            if (Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (HBRUSH brush = ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<INT_PTR>(brush);
            break;
        case WM_SETCURSOR:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == IDC_PAGE_LINK) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            break;
        default:
            break;
    }
    if (OnMessage(message, wParam, lParam, result))
        return result;
    return FALSE;
}

void WizardPage::SetUp() {
    if (HMENU menu = GetSystemMenu(window_, FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    if (environment_.giveIcons)
        GiveProgramIcons(window_, GetModuleHandleW(nullptr));
    if (layout_ == PageLayout::kPicture || layout_ == PageLayout::kPanel)
        sidePicture_ =
            static_cast<HBITMAP>(LoadImageW(environment_.instance, MAKEINTRESOURCEW(IDB_PAGE_SIDE_PICTURE),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (layout_ == PageLayout::kHeader)
        headerPicture_ =
            static_cast<HBITMAP>(LoadImageW(environment_.instance, MAKEINTRESOURCEW(IDB_PAGE_HEADER),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    LOGFONTW font{};
    if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0)), sizeof font, &font)) {
        LOGFONTW bold = font;
        bold.lfWeight = FW_BOLD;
        boldFont_ = CreateFontIndirectW(&bold);
        LOGFONTW link = font;
        link.lfUnderline = TRUE;
        linkFont_ = CreateFontIndirectW(&link);
        if (HWND linkControl = Item(IDC_PAGE_LINK))
            SendMessageW(linkControl, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
    }
    SetCommonTexts();
    Centre();
}

void WizardPage::SetCommonTexts() {
    const std::wstring title =
        messages_.title == kNoMessage ? std::wstring() : environment_.Text(messages_.title);
    if (layout_ == PageLayout::kHeader) {
        // The band names the installer and the page; the caption is the general one.
        SetWindowTextW(window_, environment_.Text(65).c_str());
        SetItemText(IDC_PAGE_HEADER_TITLE,
                    environment_.installerTitle ? environment_.installerTitle() : std::wstring());
        SetItemText(IDC_PAGE_HEADER_SUBTITLE, title);
    } else if (messages_.title != kNoMessage) {
        SetWindowTextW(window_, title.c_str());
    }
    SetItemMessage(IDC_PAGE_MAIN_TEXT, messages_.mainText);
    SetButtonMessage(IDC_PAGE_NEXT, messages_.next, ButtonImage::kNext);
    SetButtonMessage(IDC_PAGE_CANCEL, messages_.cancel, ButtonImage::kCancel);
}

void WizardPage::Centre() {
    RECT area{};
    const HWND owner = GetWindow(window_, GW_OWNER);
    if (owner == nullptr || !GetWindowRect(owner, &area) || IsIconic(owner))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT page{};
    GetWindowRect(window_, &page);
    const int width = page.right - page.left;
    const int height = page.bottom - page.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WizardPage::OnNext() {
    End(IDC_PAGE_NEXT);
}

void WizardPage::OnCancel() {
    End(IDC_PAGE_CANCEL);
}

void WizardPage::End(INT_PTR result) {
    EndDialog(window_, result);
}

std::wstring WizardPage::ItemText(int id) const {
    const HWND control = Item(id);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

void WizardPage::SetItemText(int id, const std::wstring& text) {
    const HWND control = Item(id);
    if (control == nullptr)
        return;
    SetWindowTextW(control, text.c_str());
    // Owner-drawn and transparent texts do not repaint what lies behind them on their own.
    InvalidateRect(control, nullptr, TRUE);
}

void WizardPage::SetItemMessage(int id, std::size_t number) {
    if (number != kNoMessage)
        SetItemText(id, environment_.Text(number));
}

void WizardPage::PlaceItem(int id, int x, int y, int width, int height) {
    RECT rect{x, y, x + width, y + height};
    MapDialogRect(window_, &rect);
    SetWindowPos(Item(id), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void WizardPage::SetButtonMessage(int id, std::size_t number, ButtonImage image) {
    SetItemMessage(id, number);
    if (environment_.buttonImages) {
        HICON& icon = buttonImages_[static_cast<std::size_t>(image)];
        if (icon == nullptr) {
            buttonImageSize_ = ScaleForDpi(16, WindowDpi(window_));
            icon = DrawButtonImage(image, buttonImageSize_);
        }
        ShowButtonImage(Item(id), icon);
    }
    FitButton(id);
}

void WizardPage::FitButton(int id) {
    const HWND button = Item(id);
    if (button == nullptr)
        return;
    const std::wstring text = ItemText(id);
    HDC dc = GetDC(button);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, previous);
    ReleaseDC(button, dc);
    RECT padding{0, 0, 8, 0};
    MapDialogRect(window_, &padding);
    int needed = measured.right + 2 * padding.right;
    if (SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0) != 0)
        needed += buttonImageSize_ + padding.right / 2;
    RECT rect = ChildRect(window_, button);
    if (needed <= rect.right - rect.left)
        return;
    const int growth = needed - (rect.right - rect.left);
    // The button grows to the left; a Next button left of it moves along.
    SetWindowPos(button, nullptr, rect.left - growth, rect.top, needed, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (id == IDC_PAGE_CANCEL) {
        if (HWND next = Item(IDC_PAGE_NEXT)) {
            const RECT nextRect = ChildRect(window_, next);
            if (nextRect.right > rect.left - growth - padding.right / 2)
                SetWindowPos(next, nullptr, nextRect.left - growth, nextRect.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    } else if (id == IDC_PAGE_BROWSE) {
        // The folder field beside Browse gives up the room.
        if (HWND field = Item(IDC_PAGE_FOLDER)) {
            const RECT fieldRect = ChildRect(window_, field);
            SetWindowPos(field, nullptr, 0, 0, fieldRect.right - fieldRect.left - growth,
                         fieldRect.bottom - fieldRect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

bool WizardPage::Draw(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_STATIC)
        return false;
    const int id = static_cast<int>(item.CtlID);
    if (id == IDC_PAGE_PICTURE) {
        StretchPicture(item.hDC, sidePicture_, item.rcItem);
        const std::uint8_t frame = environment_.sidePictureFrame;
        RECT rect = item.rcItem;
        if (frame == 1 || (frame == 3 && layout_ == PageLayout::kPicture))
            DrawEdge(item.hDC, &rect, EDGE_SUNKEN, BF_RECT);
        else if (frame == 2)
            FrameRect(item.hDC, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return true;
    }
    if (id == IDC_PAGE_HEADER || id == IDC_PAGE_HEADER_TITLE || id == IDC_PAGE_HEADER_SUBTITLE) {
        DrawHeaderBand(item.hDC, item.rcItem, id);
        return true;
    }
    return false;
}

void WizardPage::DrawHeaderBand(HDC dc, const RECT& itemRect, int itemId) {
    // Each part of the band paints the band's picture under itself, so the two text lines can
    // lie on it with a transparent background.
    const HWND band = Item(IDC_PAGE_HEADER);
    const RECT bandRect = ChildRect(window_, band);
    const RECT ownRect = ChildRect(window_, Item(itemId));
    const RECT target{bandRect.left - ownRect.left, bandRect.top - ownRect.top, bandRect.right - ownRect.left,
                      bandRect.bottom - ownRect.top};
    StretchPicture(dc, headerPicture_, target);
    if (itemId == IDC_PAGE_HEADER)
        return;
    const std::wstring text = ItemText(itemId);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, environment_.headerTextColor);
    const HFONT font = itemId == IDC_PAGE_HEADER_TITLE && boldFont_ != nullptr
                           ? boldFont_
                           : reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    RECT rect = itemRect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, previous);
}

HBRUSH WizardPage::ColourStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_PAGE_LINK) {
        SetTextColor(dc, RGB(0, 0, 204));
        SetBkMode(dc, TRANSPARENT);
        return layout_ == PageLayout::kPanel ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                             : GetSysColorBrush(COLOR_BTNFACE);
    }
    if (layout_ == PageLayout::kPanel && OnPanel(id)) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    if (id == IDC_PAGE_TEXT_VIEW) {
        // The read-only text area shows black on white, as an editable one would.
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    return nullptr;
}

}  // namespace vantrel
