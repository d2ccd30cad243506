// Readable texts for system error codes.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// The system's own description of `code` (also for WinINet codes), trimmed of its
// trailing line break; "Error <code>." when the system has no text for it.
std::wstring errorMessage(DWORD code);

// The description of the calling thread's last error.
inline std::wstring lastErrorMessage() {
    return errorMessage(::GetLastError());
}

}  // namespace platform::win32
