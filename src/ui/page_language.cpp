#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

// The system's language as the list would name it: the native name without its region.
std::wstring SystemLanguageName() {
    wchar_t name[128] = {};
    if (GetLocaleInfoW(GetThreadLocale(), LOCALE_SNATIVELANGNAME, name, 128) == 0)
        return {};
    std::wstring text = name;
    if (const std::size_t bracket = text.find(L'('); bracket != std::wstring::npos)
        text.resize(bracket);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
        text.pop_back();
    return text;
}

class LanguagePage final : public WizardPage {
  public:
    LanguagePage(const PageEnvironment& environment, PageLayout layout, MessageTable& messages)
        : WizardPage(environment, TemplateName(L"LanguageDlg", layout), layout, {94, 82, 48, 49}),
          table_(messages) {}

  private:
    bool Initialise() override {
        const HWND list = Item(IDC_PAGE_LANGUAGES);
        for (const std::wstring& name : table_.LanguageNames())
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        LRESULT selected = LB_ERR;
        const std::wstring system = SystemLanguageName();
        if (!system.empty())
            selected = SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(system.c_str()));
        if (selected == LB_ERR)
            selected = SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(L"English"));
        if (selected == LB_ERR)
            selected = SendMessageW(list, LB_SETCURSEL, 0, 0);
        Choose();
        SetFocus(list);
        return false;
    }

    bool OnCommand(int id, int notification) override {
        if (id != IDC_PAGE_LANGUAGES)
            return false;
        if (notification == LBN_SELCHANGE)
            Choose();
        else if (notification == LBN_DBLCLK)
            OnNext();
        return true;
    }

    void OnNext() override {
        Choose();
        End(IDC_PAGE_NEXT);
    }

    bool OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) override {
        if (message == WM_MEASUREITEM) {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure->CtlType != ODT_LISTBOX)
                return false;
            RECT line{0, 0, 0, 11};
            MapDialogRect(Window(), &line);
            measure->itemHeight = static_cast<UINT>(line.bottom);
            result = TRUE;
            return true;
        }
        if (message == WM_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_LISTBOX)
                return false;
            DrawEntry(*item);
            result = TRUE;
            return true;
        }
        return false;
    }

    void DrawEntry(const DRAWITEMSTRUCT& item) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        RECT rect = item.rcItem;
        FillRect(item.hDC, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        if (item.itemID != static_cast<UINT>(-1) && item.itemID < table_.LanguageCount()) {
            const std::wstring& name = table_.LanguageName(item.itemID);
            SetBkMode(item.hDC, TRANSPARENT);
            SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            RECT text = rect;
            RECT indent{0, 0, 3, 0};
            MapDialogRect(Window(), &indent);
            text.left += indent.right;
            DrawTextW(item.hDC, name.c_str(), static_cast<int>(name.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        if ((item.itemState & ODS_FOCUS) != 0)
            DrawFocusRect(item.hDC, &rect);
    }

    // The selection becomes the run's language; everything shown is said again in it.
    void Choose() {
        LRESULT index = SendMessageW(Item(IDC_PAGE_LANGUAGES), LB_GETCURSEL, 0, 0);
        const auto count = static_cast<LRESULT>(table_.LanguageCount());
        if (index < 0 || index >= count)
            index = index >= count ? count - 1 : 0;
        if (count == 0)
            return;
        table_.SelectLanguage(static_cast<std::size_t>(index));
        SetCommonTexts();
        if (layout_ == PageLayout::kHeader) {
            const std::wstring title = environment_.Text(114);
            SetItemText(IDC_PAGE_HEADER_TITLE, !title.empty() || !environment_.installerTitle
                                                   ? title
                                                   : environment_.installerTitle());
        }
        if (const HWND owner = GetWindow(Window(), GW_OWNER))
            InvalidateRect(owner, nullptr, TRUE);
    }

    MessageTable& table_;
};

}  // namespace

bool ShowLanguagePage(const PageEnvironment& environment, std::uint32_t pageStyle, MessageTable& messages) {
    LanguagePage page(environment, LayoutOfStyle(pageStyle), messages);
    return page.Show() == IDC_PAGE_NEXT;
}

}  // namespace vantrel
