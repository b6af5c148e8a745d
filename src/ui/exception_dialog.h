#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// What the person wrote into the crash report dialog and which button ended it.
struct ExceptionDialogResult {
    bool informUs = false;  // "Inform Us"; "Exit" and closing the dialog count as no
    std::wstring email;
    std::wstring comments;
};

// Shows "ExceptionDlg" (from `resources`, the module that carries the dialog) with the crash
// text. "Inform Us" is enabled only when a report can be sent; "Copy Report" copies the text
// to the clipboard and the dialog stays. Nothing is sent from here.
ExceptionDialogResult ShowExceptionDialog(HINSTANCE resources, const std::wstring& crashText,
                                          const std::wstring& makerName, bool canInform);

// The upper text of the dialog for a maker's name.
std::wstring ExceptionDialogIntro(const std::wstring& makerName);

}  // namespace vantrel
