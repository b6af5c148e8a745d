#include "context/failure_list.h"

#include <windows.h>

#include "format/message_table.h"
#include "format/text_format.h"
#include "support/system_info.h"

namespace vantrel {

void FailureList::EndWithEmptyLine() {
    if (text_.empty())
        return;
    const auto endsWith = [this](std::wstring_view tail) {
        return text_.size() >= tail.size() &&
               std::wstring_view(text_).substr(text_.size() - tail.size()) == tail;
    };
    if (endsWith(L"\r\n\r\n"))
        return;
    text_.append(endsWith(L"\r\n") ? L"\r\n" : L"\r\n\r\n");
}

void AddFailure(FailureList& failures, const MessageTable& messages, std::wstring_view subject,
                unsigned long errorCode) {
    failures.Append(
        FormatText(L"%s %s\r\n%s\r\n\r\n", {messages.Text(31), subject, SystemErrorText(errorCode)}));
}

void AddFailure(FailureList& failures, const MessageTable& messages, std::wstring_view subject) {
    const DWORD error = GetLastError();
    AddFailure(failures, messages, subject, error);
    SetLastError(error);
}

}  // namespace vantrel
