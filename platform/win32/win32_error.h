// Readable texts for system error codes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// The system's own description of `code` (also for WinINet codes), trimmed of its
// trailing line break; "Error <code>." when the system has no text for it.
std::wstring errorMessage(DWORD code);

// The same with the text's insert "%1" filled with `subject`, the file or program the
// failed operation was about ("%1 is not a valid Win32 application.").
std::wstring errorMessage(DWORD code, std::wstring_view subject);

// The description of the calling thread's last error.
inline std::wstring lastErrorMessage() {
    return errorMessage(::GetLastError());
}

}  // namespace platform::win32
