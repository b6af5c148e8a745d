#pragma once

#include <windows.h>

namespace vantrel {

// Hands one message of this thread's queue on. A message for a modeless dialog or one of its
// controls goes through the dialog's keyboard handling first, so that Tab, Enter, Esc and the
// mnemonics work there as on a modal page; anything else is translated and dispatched.
void DispatchWindowMessage(MSG& message);

// Dispatches the window messages waiting for this thread.
void DispatchPendingMessages();

}  // namespace vantrel
