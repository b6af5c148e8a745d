#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace vantrel {

// While it lives, every message box this thread opens says Yes, No, Cancel and Retry in the
// installer's language: when a box is activated, its buttons take messages 79, 80, 49 and
// 100 (a button whose message is empty keeps the system's text). One at a time per process.
class MessageBoxButtonTexts {
  public:
    explicit MessageBoxButtonTexts(std::function<std::wstring(std::size_t number)> text);
    ~MessageBoxButtonTexts();
    MessageBoxButtonTexts(const MessageBoxButtonTexts&) = delete;
    MessageBoxButtonTexts& operator=(const MessageBoxButtonTexts&) = delete;

    bool Active() const { return hook_ != nullptr; }

  private:
    static LRESULT CALLBACK OnActivation(int code, WPARAM wParam, LPARAM lParam);
    void Translate(HWND box) const noexcept;

    std::function<std::wstring(std::size_t)> text_;
    HHOOK hook_ = nullptr;
};

}  // namespace vantrel
