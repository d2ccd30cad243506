// Opening a document through the desktop's shell, with the signed-in user's own rights.
#pragma once

#include <string>

namespace platform::win32 {

// Asks the shell that runs the desktop (Explorer, with the signed-in user's own rights)
// to open `target`, so that a program running with raised rights does not hand them to
// the program that opens it. A program gets `parameters` and starts in `folder` (the
// shell's choice when empty). The shell starts it on its own time: this returns before
// the program runs. False when there is no such shell to ask (no Explorer, or Wine) or
// it refused; the caller then decides what to do itself.
bool openThroughDesktopShell(const std::wstring& target, const std::wstring& parameters = {},
                             const std::wstring& folder = {});

}  // namespace platform::win32
