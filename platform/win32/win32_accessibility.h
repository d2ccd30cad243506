// What screen readers learn about the backend's controls. Windows describes every window
// with a standard accessible object: the role "client" and the window text as its name.
// A label that acts as a button must say that it is one, a plain label that it is text,
// and the drive list needs a name (a list box has no text of its own).
//
// The system's annotation service (IAccPropServices::SetHwndProp) would say so, but not
// every system that runs Windows programs implements it (Wine 8 answers E_NOTIMPL).
// Answering WM_GETOBJECT with the standard object, wrapped so that it gives our role and
// name, works on Windows and under Wine alike, for readers in other processes too.
#pragma once

#include <windows.h>

namespace platform::win32::detail {

struct AccessibleFacts {
    enum class Role { Standard, PushButton, StaticText };
    Role role = Role::Standard;
    HWND nameFrom = nullptr;  // the window whose text is the name (read when asked); nullptr
                              // keeps the standard name
};

// Answers a WM_GETOBJECT for `window`'s client area with the standard accessible object
// described further by `facts`, and returns true with the answer in `result`. Returns
// false for every other request (and when the system's accessibility library is missing):
// the window procedure then answers as it would have.
bool answerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts,
                     LRESULT& result);

}  // namespace platform::win32::detail
