// The pages that ask one thing: the start page, the password and the two questions.
#include <windows.h>
#include <shellapi.h>

#include "format/text_encoding.h"
#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

class StartPage final : public WizardPage {
  public:
    StartPage(const PageEnvironment& environment, std::wstring templateName, PageLayout layout,
              const std::wstring& linkText, const std::wstring& linkAddress)
        : WizardPage(environment, std::move(templateName), layout, {1, 65, 48, 49}),
          linkText_(linkText),
          linkAddress_(linkAddress) {}

  private:
    bool Initialise() override {
        if (layout_ == PageLayout::kHeader) {
            // The start page's band carries the page's own title.
            SetWindowTextW(Window(), environment_.Text(1).c_str());
            SetItemText(IDC_PAGE_HEADER_TITLE, environment_.Text(1));
            SetItemText(IDC_PAGE_HEADER_SUBTITLE, {});
        }
        SetItemText(IDC_PAGE_LINK, linkText_);
        if (linkText_.empty())
            ShowWindow(Item(IDC_PAGE_LINK), SW_HIDE);
        return true;
    }

    bool OnCommand(int id, int notification) override {
        if (id != IDC_PAGE_LINK)
            return false;
        if (notification == STN_CLICKED && !linkAddress_.empty())
            ShellExecuteW(Window(), L"open", linkAddress_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    }

    std::wstring linkText_;
    std::wstring linkAddress_;
};

class PasswordPage final : public WizardPage {
  public:
    PasswordPage(const PageEnvironment& environment, const std::wstring& password)
        : WizardPage(environment, L"EnterPassword", PageLayout::kPlain, {75, 76, kNoMessage, 49}),
          password_(password) {}

  private:
    bool Initialise() override {
        // A picture on the button keeps a space before its text.
        SetItemText(IDC_PAGE_NEXT, environment_.buttonImages ? L" OK" : L"OK");
        SetItemMessage(IDC_PAGE_PASSWORD_LABEL, 27);
        SendMessageW(Item(IDC_PAGE_PASSWORD), EM_LIMITTEXT, 64, 0);
        SetFocus(Item(IDC_PAGE_PASSWORD));
        return false;
    }

    void OnNext() override {
        // Compared as the 8-bit text the password was made from, exactly.
        if (Utf16ToWindows1252(ItemText(IDC_PAGE_PASSWORD)) == Utf16ToWindows1252(password_)) {
            End(1);
            return;
        }
        Sleep(500);
        MessageBoxW(Window(), environment_.Text(102).c_str(), environment_.Text(21).c_str(),
                    MB_OK | MB_ICONERROR);
        const HWND field = Item(IDC_PAGE_PASSWORD);
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
    }

    void OnCancel() override { End(IDC_PAGE_CANCEL); }

    const std::wstring& password_;
};

class QuestionPage final : public WizardPage {
  public:
    QuestionPage(const PageEnvironment& environment, const wchar_t* templateName, PageMessages messages)
        : WizardPage(environment, templateName, PageLayout::kPlain, messages) {}
};

}  // namespace

bool ShowStartPage(const PageEnvironment& environment, std::uint32_t pageStyle, const std::wstring& linkText,
                   const std::wstring& linkAddress) {
    const PageLayout layout = pageStyle == 3   ? PageLayout::kPanel
                              : pageStyle == 1 ? PageLayout::kPicture
                                               : PageLayout::kHeader;
    const wchar_t* name = layout == PageLayout::kPanel     ? L"GreetingDlg4"
                          : layout == PageLayout::kPicture ? L"GreetingDlg"
                                                           : L"GreetingDlg3";
    StartPage page(environment, name, layout, linkText, linkAddress);
    return page.Show() == IDC_PAGE_NEXT;
}

bool ShowPasswordPage(const PageEnvironment& environment, const std::wstring& password) {
    PasswordPage page(environment, password);
    return page.Show() == 1;
}

bool ShowMustUninstallQuestion(const PageEnvironment& environment) {
    QuestionPage page(environment, L"MustUninstall", {21, 9, 104, 49});
    return page.Show() == IDC_PAGE_NEXT;
}

bool ShowSupportOfferQuestion(const PageEnvironment& environment) {
    QuestionPage page(environment, L"SupportOffer", {110, 109, 110, 104});
    return page.Show() == IDC_PAGE_NEXT;
}

}  // namespace vantrel
