// The licence and readme pages: a text to read, plain or rich.
#include "format/text_encoding.h"
#include "ui/rich_text_viewer.h"
#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT_PTR kFocusTimer = 2;

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Rich text, without the byte-order mark it may carry (as a character, or as the three
// bytes of the UTF-8 mark read as Windows-1252); empty when the text is plain.
std::wstring RichTextOf(const std::wstring& text) {
    static constexpr std::wstring_view kRtf = L"{\\rtf";
    if (StartsWith(text, kRtf))
        return text;
    for (std::wstring_view mark : {std::wstring_view(L"\xFEFF"), std::wstring_view(L"\x00EF\x00BB\x00BF")}) {
        if (StartsWith(text, mark) && text.compare(mark.size(), kRtf.size(), kRtf) == 0)
            return text.substr(mark.size());
    }
    return {};
}

// The edit control breaks lines only at CR LF.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            result.push_back(L'\r');
        result.push_back(text[i]);
    }
    return result;
}

class TextPage final : public WizardPage {
  public:
    TextPage(const PageEnvironment& environment, TextPageKind kind, PageLayout layout,
             const std::wstring& text, bool scrollToEnd)
        : WizardPage(
              environment,
              TemplateName(kind == TextPageKind::kLicence ? L"LicenseDlg" : L"ReadmeDlg", layout), layout,
              kind == TextPageKind::kLicence ? PageMessages{44, 47, 45, 46} : PageMessages{50, 51, 48, 49}),
          text_(text),
          scrollToEnd_(scrollToEnd && kind == TextPageKind::kLicence) {}

  private:
    bool Initialise() override {
        const HWND placeholder = Item(IDC_PAGE_TEXT_VIEW);
        const std::wstring rich = RichTextOf(text_);
        if (!rich.empty() && viewer_.Create(Window(), placeholder, Utf16ToWindows1252(rich))) {
            // The reader starts at the top, without a blinking caret in a text that cannot change.
            SetTimer(Window(), kFocusTimer, 250, nullptr);
        } else {
            const std::wstring plain = WithCrLf(text_);
            SendMessageW(placeholder, EM_LIMITTEXT, 0, 0);
            if (!SetWindowTextW(placeholder, plain.c_str()))
                SetWindowTextA(placeholder, Utf16ToWindows1252(plain).c_str());
            // The reader starts at the top: no selection that would carry the view to the end.
            SetFocus(placeholder);
            SendMessageW(placeholder, EM_SETSEL, 0, 0);
            SendMessageW(placeholder, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
        }
        if (scrollToEnd_) {
            EnableWindow(Item(IDC_PAGE_NEXT), FALSE);
            SetTimer(Window(), kScrollTimer, 200, nullptr);
        }
        return false;
    }

    HWND TextWindow() const {
        return viewer_.Window() != nullptr ? viewer_.Window() : Item(IDC_PAGE_TEXT_VIEW);
    }

    // Next is given once the last line has been in view.
    bool ScrolledToEnd() const {
        if (viewer_.Window() == nullptr)
            return LastLineVisible(Item(IDC_PAGE_TEXT_VIEW));
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        if (!GetScrollInfo(viewer_.Window(), SB_VERT, &info))
            return true;  // no scroll bar: everything is in view
        return info.nPos + static_cast<int>(info.nPage) >= info.nMax;
    }

    // The plain text's lines are all of one height: the last one is in view when the first
    // visible line and the lines that fit reach it.
    static bool LastLineVisible(HWND edit) {
        RECT client{};
        GetClientRect(edit, &client);
        HDC dc = GetDC(edit);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(edit, dc);
        const LONG lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
        const LRESULT fitting = (client.bottom - client.top) / lineHeight;
        const LRESULT first = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
        const LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
        return first + (fitting > 0 ? fitting : 1) >= lines;
    }

    void OnNext() override {
        if (IsWindowEnabled(Item(IDC_PAGE_NEXT)))
            End(IDC_PAGE_NEXT);
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        switch (message) {
            case WM_TIMER:
                if (wParam == kScrollTimer && ScrolledToEnd()) {
                    KillTimer(Window(), kScrollTimer);
                    EnableWindow(Item(IDC_PAGE_NEXT), TRUE);
                } else if (wParam == kFocusTimer) {
                    KillTimer(Window(), kFocusTimer);
                    SetFocus(viewer_.Window());
                    HideCaret(viewer_.Window());
                }
                result = TRUE;
                return true;
            case WM_NOTIFY:
                if (viewer_.OnNotify(*reinterpret_cast<const NMHDR*>(lParam))) {
                    SetWindowLongPtrW(Window(), DWLP_MSGRESULT, 1);
                    result = TRUE;
                    return true;
                }
                return false;
            case WM_CONTEXTMENU:
                if (viewer_.OnContextMenu(reinterpret_cast<HWND>(wParam), lParam)) {
                    result = TRUE;
                    return true;
                }
                return false;
            default:
                return false;
        }
    }

    const std::wstring& text_;
    bool scrollToEnd_;
    RichTextViewer viewer_;
};

}  // namespace

bool ShowTextPage(const PageEnvironment& environment, TextPageKind kind, std::uint32_t pageStyle,
                  const std::wstring& text, bool scrollToEnd) {
    TextPage page(environment, kind, LayoutOfStyle(pageStyle), text, scrollToEnd);
    return page.Show() == IDC_PAGE_NEXT;
}

}  // namespace vantrel
