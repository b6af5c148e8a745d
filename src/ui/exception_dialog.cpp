#include "ui/exception_dialog.h"

#include "ui/exception_dialog_ids.h"

namespace vantrel {
namespace {

struct DialogState {
    const std::wstring* crashText;
    std::wstring intro;
    bool canInform;
    ExceptionDialogResult result;
};

std::wstring ControlText(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

void CopyToClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner))
        return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            CopyMemory(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
                GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may leave a dialog procedure by exception; the crash report is the last thing
    // the process does, so a failure here only ends the dialog.
    try {
        auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
            case WM_INITDIALOG:
                state = reinterpret_cast<DialogState*>(lParam);
                SetWindowLongPtrW(dialog, DWLP_USER, lParam);
                SetDlgItemTextW(dialog, IDC_EXCEPTION_INTRO, state->intro.c_str());
                SetDlgItemTextW(dialog, IDC_EXCEPTION_TEXT, state->crashText->c_str());
                EnableWindow(GetDlgItem(dialog, IDC_INFORM_US), state->canInform);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_INFORM_US:
                        state->result.informUs = true;
                        state->result.email = ControlText(dialog, IDC_EXCEPTION_EMAIL);
                        state->result.comments = ControlText(dialog, IDC_EXCEPTION_COMMENTS);
                        EndDialog(dialog, IDC_INFORM_US);
                        return TRUE;
                    case IDC_COPY_REPORT:
                        CopyToClipboard(dialog, *state->crashText);
                        return TRUE;
                    case IDC_EXCEPTION_EXIT:
                    case IDCANCEL:
                        EndDialog(dialog, IDC_EXCEPTION_EXIT);
                        return TRUE;
                    default:
                        break;
                }
                break;
            case WM_CLOSE:
                EndDialog(dialog, IDC_EXCEPTION_EXIT);
                return TRUE;
            default:
                break;
        }
    } catch (...) {
        EndDialog(dialog, IDC_EXCEPTION_EXIT);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::wstring ExceptionDialogIntro(const std::wstring& makerName) {
    return L"We apologize for the inconvenience, but the program has performed an illegal operation and must "
           L"close.  Please report this problem to " +
           makerName + L" by clicking the \"Inform Us\" button below.";
}

ExceptionDialogResult ShowExceptionDialog(HINSTANCE resources, const std::wstring& crashText,
                                          const std::wstring& makerName, bool canInform) {
    DialogState state{&crashText, ExceptionDialogIntro(makerName), canInform, {}};
    DialogBoxParamW(resources, L"ExceptionDlg", nullptr, &DialogProcedure, reinterpret_cast<LPARAM>(&state));
    return state.result;
}

}  // namespace vantrel
