// The installation folder page and the Start-menu folder page.
#include "format/ascii.h"
#include "format/path_canonical.h"
#include "ui/folder_browser.h"
#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

constexpr int kMaxFolderLength = 259;

// A page with a folder field and a Browse button beside it. The field's changes and the
// browser's choice come to the page through OnFieldChanged.
class FolderFieldPage : public WizardPage {
  protected:
    FolderFieldPage(const PageEnvironment& environment, std::wstring templateName, PageLayout layout,
                    PageMessages messages, std::size_t browsePrompt, unsigned browseOptions)
        : WizardPage(environment, std::move(templateName), layout, messages),
          browsePrompt_(browsePrompt),
          browseOptions_(browseOptions) {}

    virtual void OnFieldChanged() {}
    virtual std::wstring InitialText() const = 0;

  private:
    bool Initialise() override {
        SetButtonMessage(IDC_PAGE_BROWSE, 52, ButtonImage::kBrowse);
        const HWND field = Item(IDC_PAGE_FOLDER);
        SendMessageW(field, EM_LIMITTEXT, kMaxFolderLength, 0);
        SetWindowTextW(field, InitialText().c_str());
        OnFieldChanged();
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
        return false;
    }

    bool OnCommand(int id, int notification) override {
        if (id == IDC_PAGE_FOLDER && notification == EN_CHANGE) {
            OnFieldChanged();
            return true;
        }
        if (id != IDC_PAGE_BROWSE || notification != BN_CLICKED)
            return false;
        if (auto chosen = BrowseForFolder(Window(), environment_.Text(browsePrompt_),
                                          ItemText(IDC_PAGE_FOLDER), browseOptions_))
            SetItemText(IDC_PAGE_FOLDER, *chosen);
        SetFocus(Item(IDC_PAGE_FOLDER));
        return true;
    }

    std::size_t browsePrompt_;
    unsigned browseOptions_;
};

class FolderPage final : public FolderFieldPage {
  public:
    FolderPage(const PageEnvironment& environment, PageLayout layout, const FolderPageOptions& options,
               std::wstring& folder)
        : FolderFieldPage(environment, TemplateName(L"ChooseDirDlg", layout), layout,
                          {24, 11, options.nextMessage, 49}, 11,
                          options.browseFromComputer
                              ? folder_browser::kComputerRoot | folder_browser::kFileSystemOnly
                              : 0),
          options_(options),
          folder_(folder) {}

  private:
    std::wstring InitialText() const override { return folder_; }

    void OnNext() override {
        folder_ = ItemText(IDC_PAGE_FOLDER);
        End(IDC_PAGE_NEXT);
    }

    // The space the installation needs on the drive of the folder, and what that drive has.
    void OnFieldChanged() override {
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

class StartMenuPage final : public FolderFieldPage {
  public:
    StartMenuPage(const PageEnvironment& environment, PageLayout layout, bool allUsers, std::wstring& name)
        : FolderFieldPage(
              environment, TemplateName(L"StartMenuDlg", layout), layout, {89, 88, 90, 49}, 88,
              (allUsers ? folder_browser::kAllUsersProgramsRoot : folder_browser::kUserProgramsRoot) |
                  folder_browser::kRelativeToRoot),
          name_(name) {}

  private:
    std::wstring InitialText() const override { return name_; }

    void OnFieldChanged() override {
        EnableWindow(Item(IDC_PAGE_NEXT), IsStartMenuNameAllowed(ItemText(IDC_PAGE_FOLDER)));
    }

    void OnNext() override {
        const std::wstring text = ItemText(IDC_PAGE_FOLDER);
        if (!IsStartMenuNameAllowed(text))
            return;
        name_ = text;
        End(IDC_PAGE_NEXT);
    }

    std::wstring& name_;
};

}  // namespace

bool IsStartMenuNameAllowed(const std::wstring& name) {
    if (name.find_first_of(L"/\"<>|*?:;") != std::wstring::npos)
        return false;
    // The folder is made inside the Programs folder and removed with the product: ".." would
    // put it, and its removal, somewhere else.
    if (HasParentSegment(name))
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
