#pragma once

#include <string>
#include <string_view>

namespace vantrel {

class MessageTable;

// The one text in which the failures of a run are collected; each entry ends with an empty
// line. It becomes the failure summary of the installation log.
class FailureList {
  public:
    void Append(std::wstring_view text) { text_.append(text); }
    // Makes a non-empty list end with an empty line, so that the next entry stands apart.
    void EndWithEmptyLine();
    const std::wstring& Text() const { return text_; }
    bool Empty() const { return text_.empty(); }
    void Clear() { text_.clear(); }

  private:
    std::wstring text_;
};

// Appends the standard entry for a failed step: message 31, the subject (normally a path)
// and the system text of `errorCode`, as "%s %s\r\n%s\r\n\r\n".
void AddFailure(FailureList& failures, const MessageTable& messages, std::wstring_view subject,
                unsigned long errorCode);
// The same with the calling thread's last error code.
void AddFailure(FailureList& failures, const MessageTable& messages, std::wstring_view subject);

}  // namespace vantrel
