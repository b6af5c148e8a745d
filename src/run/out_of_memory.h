#pragma once

namespace vantrel {

// The fatal message for memory that ran out.
inline constexpr wchar_t kOutOfMemoryText[] =
    L"Out Of Memory.\r\nAdvice: Make sure the hard drive is not full.";

// Shows the out-of-memory fatal message through the registered routine; returns the exit
// code the run then ends with. Called once an allocation that threw has been unwound: by
// then the run has released what it held, so the message can still be shown.
int ReportOutOfMemory();

}  // namespace vantrel
