#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::test {

// Drives the wizard pages of another process by their control ids, as a person would with
// mouse and keyboard. Every wait ends as soon as its condition holds.

// The visible top-level window of the process that holds a control `controlId` and is not
// `except`, or null after the timeout.
HWND WaitForPageWithControl(DWORD processId, int controlId, DWORD timeoutMs, HWND except = nullptr);

// The visible progress page of the process (the window with the status line and the bar),
// or null.
HWND FindProgressPage(DWORD processId);

// Waits until `condition` holds (checked every 20 ms); false at the timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::wstring ControlText(HWND page, int id);
bool SetControlText(HWND page, int id, const std::wstring& text);
bool ControlVisible(HWND page, int id);
bool ControlEnabled(HWND page, int id);
bool ControlChecked(HWND page, int id);
// Clicks the control (a button or a check box), as a mouse click would.
void ClickControl(HWND page, int id);
// The control's rectangle on the screen.
RECT ControlRect(HWND page, int id);

// The entries of a list box, and a selection as a click on an entry would make it.
std::vector<std::wstring> ListEntries(HWND page, int id);
int ListSelection(HWND page, int id);
void SelectListEntry(HWND page, int id, int index);

// Scrolls a text control to its end, as dragging its scroll bar down would.
void ScrollToEnd(HWND page, int id);

// The keyboard. Keys go to the control that has the focus, as a person's typing does; the
// page's own message loop turns them into dialog navigation.
// The control of `page` that has the keyboard focus, or null.
HWND FocusedControl(HWND page);
// A key pressed in a control; the dialog acts on the key going down.
void PressKey(HWND control, WPARAM key);
// Alt and a letter pressed in a control: the dialog's mnemonics.
void PressMnemonic(HWND control, wchar_t letter);
// The ids of the controls Tab visits, from the one with the focus until the focus comes
// back to it (at most `limit` of them); empty when no control has the focus.
std::vector<int> TabOrder(HWND page, std::size_t limit = 12);

// Opens the context menu of `control` (a child of `page`) as the menu key would, or with a
// right click into it, and chooses its entry at `position` (from 0) with the arrow keys and
// Enter. False when no menu showed.
enum class MenuOpening { kMenuKey, kRightClick };
bool ChooseContextMenuEntry(DWORD processId, HWND page, HWND control, int position, DWORD timeoutMs,
                            MenuOpening opening = MenuOpening::kMenuKey);

// The text on the clipboard, or nothing when it holds none.
std::optional<std::wstring> ClipboardText();

// Goes through the wizard as a person in a hurry would: Next on every page (a text read to
// its end first), until a window that is not a page shows (it is returned) or `ended` says
// the run is over (null is returned, also at the timeout).
HWND ClickThroughPages(DWORD processId, const std::function<bool()>& ended, DWORD timeoutMs);

}  // namespace vantrel::test
