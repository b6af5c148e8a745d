#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "format/settings.h"
#include "support/child_process.h"

namespace vantrel::test {

// The system's text editor of the test prefix, running as a process of its own with a
// document named after the test, so that its window title is the test's alone.
class RunningEditor {
  public:
    // Starts the editor and waits (generously) for its window.
    explicit RunningEditor(const std::wstring& name);

    // Null when the editor did not open a window.
    HWND Window() const { return window_; }
    // The window's title as the editor shows it.
    const std::wstring& Title() const { return title_; }
    // The document's file name, a part of the title.
    const std::wstring& DocumentName() const { return documentName_; }
    ChildProcess& Process() { return *child_; }
    // Waits up to 30 s for the editor's windows to disappear.
    bool WindowGone();

  private:
    TempFolder folder_;
    std::wstring documentName_;
    std::optional<ChildProcess> child_;
    HWND window_ = nullptr;
    std::wstring title_;
};

// An entry of the list of programs to close.
AutoCloseRecord CloseListEntry(const std::wstring& titlePattern, const std::string& classPattern,
                               std::uint8_t action, std::uint8_t phaseMask);

}  // namespace vantrel::test
