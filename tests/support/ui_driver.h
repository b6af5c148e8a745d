#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::test {

// Drives the windows of another process the way a person would: find its window, read what
// it says, press a button. Works across processes under Wine and on Windows.

// The full-screen background window behind the pages is scenery, not something that asks:
// these two leave it out.

// The first visible top-level window of the process, or null after the timeout.
HWND WaitForTopLevelWindow(DWORD processId, DWORD timeoutMs);

// The visible top-level window of the process with the caption `title`, or null after the
// timeout.
HWND WaitForWindowTitled(DWORD processId, const std::wstring& title, DWORD timeoutMs);

// All visible top-level windows of the process right now.
std::vector<HWND> TopLevelWindows(DWORD processId);

// The background window of the process, shown or not; null when it has none.
HWND FindBackgroundWindow(DWORD processId);

std::wstring WindowText(HWND window);

// The texts of the window's static controls, in child order.
std::vector<std::wstring> StaticTexts(HWND window);

// The static texts joined with "\n": a whole message box body in one string.
std::wstring AllStaticText(HWND window);

// Clicks the child button whose caption (without '&') equals `caption`; false if none.
bool PressButton(HWND window, const std::wstring& caption);

}  // namespace vantrel::test
