#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// A read-only rich-text view (the system's RichEdit20W, riched20.dll from the system folder)
// put in the place of a placeholder control of a dialog. Links open with the shell; a
// context menu copies, prints or saves the document.
class RichTextViewer {
  public:
    RichTextViewer() = default;
    ~RichTextViewer();
    RichTextViewer(const RichTextViewer&) = delete;
    RichTextViewer& operator=(const RichTextViewer&) = delete;

    // Creates the view over `placeholder` (which is hidden) and streams `rtf` into it.
    // False when rich text cannot be shown here.
    bool Create(HWND dialog, HWND placeholder, const std::string& rtf);
    HWND Window() const { return window_; }

    // The dialog hands these on; true when the viewer handled them.
    bool OnNotify(const NMHDR& header);
    bool OnContextMenu(HWND target, LPARAM position);

    // The context menu's commands.
    static constexpr int kCopy = 14900;
    static constexpr int kPrint = 14901;
    static constexpr int kSaveAs = 14902;

  private:
    void Copy();
    void Print();
    void SaveAs();

    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
};

}  // namespace vantrel
