#pragma once

#include <string>

namespace vantrel {

// Message-box styles and answers (the Windows MB_ and ID values, so the real implementation
// passes them straight through).
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kRetryCancel = 0x5;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kSetForeground = 0x10000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// Every question and message of a run goes through this seam: a window-backed implementation
// for normal runs, a silent one for /silent, and scripted ones in tests.
class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // Shows a message box and returns the answer (mb::kIdOk, mb::kIdYes, ...).
    virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) = 0;
};

}  // namespace vantrel
