#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/user_interface.h"

namespace vantrel::test {

// Records every message box and answers from a script (OK/Yes when the script runs out).
class ScriptedUserInterface final : public UserInterface {
  public:
    struct Shown {
        std::wstring text;
        std::wstring caption;
        unsigned style;
    };

    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override {
        shown.push_back({text, caption, style});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 0xF) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
    }

    std::deque<int> answers;
    std::vector<Shown> shown;
};

}  // namespace vantrel::test
