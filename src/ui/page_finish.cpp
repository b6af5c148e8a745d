// The finish page: up to four things to do once the installation is over.
#include "ui/wizard_ids.h"
#include "ui/wizard_pages.h"

namespace vantrel {
namespace {

struct Box {
    int id;
    std::size_t message;
    FinishChoice FinishChoices::*choice;
};

// Top to bottom.
constexpr Box kBoxes[] = {
    {IDC_PAGE_OPEN_SECOND_ITEM, 84, &FinishChoices::openSecondItem},
    {IDC_PAGE_OPEN_ITEM, 83, &FinishChoices::openItem},
    {IDC_PAGE_LAUNCH, 87, &FinishChoices::launchApplication},
    {IDC_PAGE_VIEW_LOG, 85, &FinishChoices::viewLog},
};

class FinishPage final : public WizardPage {
  public:
    FinishPage(const PageEnvironment& environment, PageLayout layout, FinishChoices& choices)
        : WizardPage(environment, TemplateName(L"SummaryDlg", layout), layout, {43, 42, 95, kNoMessage}),
          choices_(choices) {}

  private:
    bool Initialise() override {
        ShowWindow(Item(IDC_PAGE_CANCEL), SW_HIDE);
        int hidden = 0;
        for (const Box& box : kBoxes)
            hidden += (choices_.*box.choice).offered ? 0 : 1;
        // Hidden boxes take no room; the plain layout keeps the visible ones centred where the
        // four would have been.
        int x = 20;
        int y = 98;
        if (layout_ == PageLayout::kPlain) {
            x = 12;
            y = 64 + 7 * hidden;
        } else if (layout_ == PageLayout::kPicture || layout_ == PageLayout::kPanel) {
            x = 98;
            y = 72;
        }
        for (const Box& box : kBoxes) {
            const FinishChoice& choice = choices_.*box.choice;
            if (!choice.offered) {
                ShowWindow(Item(box.id), SW_HIDE);
                continue;
            }
            PlaceItem(box.id, x, y, 275, 9);
            SetItemMessage(box.id, box.message);
            CheckDlgButton(Window(), box.id, choice.checked ? BST_CHECKED : BST_UNCHECKED);
            y += 14;
        }
        return true;
    }

    void OnNext() override {
        for (const Box& box : kBoxes) {
            FinishChoice& choice = choices_.*box.choice;
            choice.checked = choice.offered && IsDlgButtonChecked(Window(), box.id) == BST_CHECKED;
        }
        End(IDC_PAGE_NEXT);
    }

    void OnCancel() override {
        for (const Box& box : kBoxes)
            (choices_.*box.choice).checked = false;
        End(IDC_PAGE_CANCEL);
    }

    FinishChoices& choices_;
};

}  // namespace

void ShowFinishPage(const PageEnvironment& environment, std::uint32_t pageStyle, FinishChoices& choices) {
    FinishPage page(environment, LayoutOfStyle(pageStyle), choices);
    if (page.Show() != IDC_PAGE_NEXT) {
        for (FinishChoice* choice :
             {&choices.openSecondItem, &choices.openItem, &choices.launchApplication, &choices.viewLog})
            choice->checked = false;
    }
}

}  // namespace vantrel
