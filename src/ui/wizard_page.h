#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "run/callback_guard.h"
#include "ui/button_images.h"

namespace vantrel {

// The four layouts of a page, by the product's layout number for it.
enum class PageLayout {
    kPlain,    // 0: no picture, the content spans the whole width ("<name>2")
    kPicture,  // 1: a picture at the left ("<name>")
    kHeader,   // 2 and any other number: a header band with two lines ("<name>3")
    kPanel,    // 3: a full-height picture and a white panel behind the content ("<name>4")
};

PageLayout LayoutOfStyle(std::uint32_t pageStyle);
// The template of `family` ("LanguageDlg") in the layout.
std::wstring TemplateName(const wchar_t* family, PageLayout layout);

// What every page takes from the run. The texts are read each time they are set, so a
// change of language shows at once.
struct PageEnvironment {
    HINSTANCE instance = nullptr;  // the module that holds the templates and the artwork
    // A message of the chosen language with its markers replaced.
    std::function<std::wstring(std::size_t number)> text;
    // The installer title in the chosen language.
    std::function<std::wstring()> installerTitle;
    bool giveIcons = false;             // the program's icons on each page
    bool buttonImages = false;          // small pictures on Next, Cancel and Browse
    std::uint8_t sidePictureFrame = 0;  // 0 none, 1 sunken, 2 thin border, 3 sunken in layout 1 only
    COLORREF headerTextColor = 0;

    std::wstring Text(std::size_t number) const { return text ? text(number) : std::wstring(); }
};

// The message numbers of a page's common texts; kNoMessage leaves a text alone.
inline constexpr std::size_t kNoMessage = static_cast<std::size_t>(-1);
struct PageMessages {
    std::size_t title = kNoMessage;
    std::size_t mainText = kNoMessage;
    std::size_t next = kNoMessage;
    std::size_t cancel = kNoMessage;
};

// The window of this process's thread that the pages are centred over and owned by (the
// background window), or null.
HWND PageOwner();

// One modal page: the common set-up (texts, layout, centring, artwork, keyboard) and the
// dialog procedure; each page adds what is its own. Nothing thrown inside the procedure
// crosses the system's frames: the page ends and Show() throws it again.
class WizardPage {
  public:
    WizardPage(const PageEnvironment& environment, std::wstring templateName, PageLayout layout,
               PageMessages messages);
    virtual ~WizardPage();
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // Shows the page modally over PageOwner(); returns the id that ended it, or
    // IDC_PAGE_CANCEL when the page could not be created.
    INT_PTR Show();

  protected:
    // After the common set-up; return false when the focus was set here.
    virtual bool Initialise() { return true; }
    // Next (also Enter); ends the page with its id unless the page does more.
    virtual void OnNext();
    // Cancel, Esc and closing; ends the page with the cancel id.
    virtual void OnCancel();
    // Other commands; true when handled.
    virtual bool OnCommand(int /*id*/, int /*notification*/) { return false; }
    // Any other message; true with `result` set when handled.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
        return false;
    }
    // Sets the common texts again (after a change of language).
    void SetCommonTexts();

    void End(INT_PTR result);
    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text);
    void SetItemMessage(int id, std::size_t number);
    // Moves a control to a place given in dialog units.
    void PlaceItem(int id, int x, int y, int width, int height);
    // Sets the text of a Next, Cancel or Browse button with its picture when the product wants
    // pictures, and widens the button to fit.
    void SetButtonMessage(int id, std::size_t number, ButtonImage image);
    // Widens the button to its text (and picture) when they need more room, growing it to the left.
    void FitButton(int id);

    const PageEnvironment& environment_;
    PageLayout layout_;
    PageMessages messages_;

  private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void SetUp();
    void Centre();
    bool Draw(const DRAWITEMSTRUCT& item);
    void DrawHeaderBand(HDC dc, const RECT& itemRect, int itemId);
    HBRUSH ColourStatic(HDC dc, HWND control);

    std::wstring templateName_;
    HWND window_ = nullptr;
    HBITMAP sidePicture_ = nullptr;
    HBITMAP headerPicture_ = nullptr;
    HFONT boldFont_ = nullptr;
    HFONT linkFont_ = nullptr;
    std::array<HICON, 3> buttonImages_{};  // by ButtonImage, drawn when first needed
    int buttonImageSize_ = 0;
    CallbackGuard guard_;
};

}  // namespace vantrel
