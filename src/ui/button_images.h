#pragma once

#include <windows.h>

namespace vantrel {

// The small pictures some products put on the page buttons, left of the text.
enum class ButtonImage {
    kNext,    // an arrow pointing on
    kCancel,  // a cross
    kBrowse,  // a folder
};

// The picture drawn at `size` x `size` pixels (16 at the standard density) as an icon, so
// that its background stays transparent on any button face; null when the system refuses.
// The caller destroys it.
HICON DrawButtonImage(ButtonImage image, int size);

// Puts `icon` on the push button, left of its text, with a space before the text: the
// system sets the text right against the picture. The button does not own the icon.
void ShowButtonImage(HWND button, HICON icon);

}  // namespace vantrel
