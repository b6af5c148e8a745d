#pragma once

#include <string>

#include "run/user_interface_seam.h"

namespace vantrel {

// The seam itself (UserInterface, the mb:: styles) lives with the run state, which owns
// the run's implementation; these are the two implementations the engine ships.

// Shows nothing; a question counts as answered yes (or retry, or OK).
class SilentUserInterface final : public UserInterface {
  public:
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;
};

// Real message boxes.
class WindowsUserInterface final : public UserInterface {
  public:
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;
};

}  // namespace vantrel
