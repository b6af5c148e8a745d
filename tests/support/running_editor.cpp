#include "support/running_editor.h"

#include "support/test_files.h"
#include "support/ui_driver.h"

namespace vantrel::test {

RunningEditor::RunningEditor(const std::wstring& name)
    : folder_(L"editor-" + name), documentName_(name + L".txt") {
    const std::wstring document = folder_.Join(documentName_);
    WriteTestFile(document, "text");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    child_.emplace(ChildProcess::Start(std::wstring(system) + L"\\notepad.exe", L"\"" + document + L"\""));
    window_ = child_->Started() ? WaitForTopLevelWindow(child_->Id(), 60000) : nullptr;
    if (window_ != nullptr)
        title_ = WindowText(window_);
}

bool RunningEditor::WindowGone() {
    for (int i = 0; i < 300 && !TopLevelWindows(child_->Id()).empty(); ++i)
        Sleep(100);
    return TopLevelWindows(child_->Id()).empty();
}

AutoCloseRecord CloseListEntry(const std::wstring& titlePattern, const std::string& classPattern,
                               std::uint8_t action, std::uint8_t phaseMask) {
    AutoCloseRecord entry;
    entry.titlePattern = titlePattern;
    entry.classPattern = classPattern;
    entry.programName = "The Editor";
    entry.action = action;
    entry.phaseMask = phaseMask;
    return entry;
}

}  // namespace vantrel::test
