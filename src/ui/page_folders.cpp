// The installation folder page and the Start-menu folder page.
#include "format/ascii.h"
#include "ui/folder_browser.h"
#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

constexpr int kMaxFolderLength = 259;

class FolderPage final : public WizardPage {
  public:
    FolderPage(const PageEnvironment& environment, PageLayout layout, const FolderPageOptions& options,
               std::wstring& folder)
        : WizardPage(environment, TemplateName(L"ChooseDirDlg", layout), layout,
                     {24, 11, options.nextMessage, 49}),
          options_(options),
          folder_(folder) {}

  private:
    bool Initialise() override {
        SetItemMessage(IDC_PAGE_BROWSE, 52);
        FitButton(IDC_PAGE_BROWSE);
        const HWND field = Item(IDC_PAGE_FOLDER);
        SendMessageW(field, EM_LIMITTEXT, kMaxFolderLength, 0);
        SetWindowTextW(field, folder_.c_str());
        ShowSpace();
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
        return false;
    }

    bool OnCommand(int id, int notification) override {
        if (id == IDC_PAGE_FOLDER && notification == EN_CHANGE) {
            ShowSpace();
            return true;
        }
        if (id == IDC_PAGE_BROWSE && notification == BN_CLICKED) {
            const unsigned browse = options_.browseFromComputer
                                        ? folder_browser::kComputerRoot | folder_browser::kFileSystemOnly
                                        : 0;
            if (auto chosen =
                    BrowseForFolder(Window(), environment_.Text(11), ItemText(IDC_PAGE_FOLDER), browse))
                SetItemText(IDC_PAGE_FOLDER, *chosen);
            SetFocus(Item(IDC_PAGE_FOLDER));
            return true;
        }
        return false;
    }

    void OnNext() override {
        folder_ = ItemText(IDC_PAGE_FOLDER);
        End(IDC_PAGE_NEXT);
    }

    void ShowSpace() {
        if (!options_.requiredSpace || !options_.sizeText)
            return;
        const std::wstring text = ItemText(IDC_PAGE_FOLDER);
        std::wstring root;
        if (text.size() >= 2 && text[1] == L':' && IsAsciiLetter(text[0]))
            root = {AsciiUpper(text[0]), L':', L'\\'};
        SetItemText(IDC_PAGE_SPACE_REQUIRED,
                    environment_.Text(92) + L" " + options_.sizeText(options_.requiredSpace(text)));
        ULARGE_INTEGER available{};
        if (!root.empty() && GetDriveTypeW(root.c_str()) > DRIVE_NO_ROOT_DIR &&
            GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr))
            SetItemText(IDC_PAGE_SPACE_AVAILABLE,
                        environment_.Text(93) + L" " + options_.sizeText(available.QuadPart));
        else
            SetItemText(IDC_PAGE_SPACE_AVAILABLE, {});
    }

    const FolderPageOptions& options_;
    std::wstring& folder_;
};

class StartMenuPage final : public WizardPage {
  public:
    StartMenuPage(const PageEnvironment& environment, PageLayout layout, bool allUsers, std::wstring& name)
        : WizardPage(environment, TemplateName(L"StartMenuDlg", layout), layout, {89, 88, 90, 49}),
          allUsers_(allUsers),
          name_(name) {}

  private:
    bool Initialise() override {
        SetItemMessage(IDC_PAGE_BROWSE, 52);
        FitButton(IDC_PAGE_BROWSE);
        const HWND field = Item(IDC_PAGE_FOLDER);
        SendMessageW(field, EM_LIMITTEXT, kMaxFolderLength, 0);
        SetWindowTextW(field, name_.c_str());
        Check();
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
        return false;
    }

    bool OnCommand(int id, int notification) override {
        if (id == IDC_PAGE_FOLDER && notification == EN_CHANGE) {
            Check();
            return true;
        }
        if (id == IDC_PAGE_BROWSE && notification == BN_CLICKED) {
            const unsigned root =
                allUsers_ ? folder_browser::kAllUsersProgramsRoot : folder_browser::kUserProgramsRoot;
            if (auto chosen = BrowseForFolder(Window(), environment_.Text(88), ItemText(IDC_PAGE_FOLDER),
                                              root | folder_browser::kRelativeToRoot))
                SetItemText(IDC_PAGE_FOLDER, *chosen);
            SetFocus(Item(IDC_PAGE_FOLDER));
            return true;
        }
        return false;
    }

    void Check() { EnableWindow(Item(IDC_PAGE_NEXT), IsStartMenuNameAllowed(ItemText(IDC_PAGE_FOLDER))); }

    void OnNext() override {
        const std::wstring text = ItemText(IDC_PAGE_FOLDER);
        if (!IsStartMenuNameAllowed(text))
            return;
        name_ = text;
        End(IDC_PAGE_NEXT);
    }

    bool allUsers_;
    std::wstring& name_;
};

}  // namespace

bool IsStartMenuNameAllowed(const std::wstring& name) {
    if (name.find_first_of(L"/\"<>|*?:;") != std::wstring::npos)
        return false;
    return (name.empty() || name.front() != L'\\') && name.find(L"\\\\") == std::wstring::npos;
}

bool ShowFolderPage(const PageEnvironment& environment, std::uint32_t pageStyle,
                    const FolderPageOptions& options, std::wstring& folder) {
    FolderPage page(environment, LayoutOfStyle(pageStyle), options, folder);
    return page.Show() == IDC_PAGE_NEXT;
}

bool ShowStartMenuPage(const PageEnvironment& environment, std::uint32_t pageStyle, bool allUsers,
                       std::wstring& name) {
    StartMenuPage page(environment, LayoutOfStyle(pageStyle), allUsers, name);
    return page.Show() == IDC_PAGE_NEXT;
}

}  // namespace vantrel
