// Opening a document through the desktop's shell, with the signed-in user's own rights.
#pragma once

#include <string>

namespace platform::win32 {

// Asks the shell that runs the desktop (Explorer, with the signed-in user's own rights)
// to open `target`, so that a program running with raised rights does not hand them to
// the program that opens it. False when there is no such shell to ask (no Explorer, or
// Wine) or it refused; the caller then opens the target itself.
bool openThroughDesktopShell(const std::wstring& target);

}  // namespace platform::win32
