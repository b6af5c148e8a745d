#include "ui/user_interface.h"

#include <windows.h>

namespace vantrel {

int SilentUserInterface::ShowMessageBox(const std::wstring&, const std::wstring&, unsigned style) {
    switch (style & 0xF) {
        case mb::kYesNo:
            return mb::kIdYes;
        case mb::kRetryCancel:
            return mb::kIdRetry;
        default:
            return mb::kIdOk;
    }
}

int WindowsUserInterface::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                         unsigned style) {
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace vantrel
