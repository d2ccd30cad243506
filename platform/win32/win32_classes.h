// What every window of the backend shares: the module, the program's icons, the window
// classes and their registration, the private window messages, and the boundary that no
// exception may cross out of a window procedure.
#pragma once

#include <windows.h>

namespace platform::win32::detail {

// ---- The window-procedure boundary --------------------------------------------

// No exception may unwind through Windows' own frames. A handler that throws has done
// whatever it could; the event is dropped on purpose and the program goes on, which is
// how the product treats failures in general.
template <typename Handler>
LRESULT exceptionsStopHere(LRESULT fallback, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (...) {
        return fallback;
    }
}

// ---- Window classes -----------------------------------------------------------------

// The custom controls and the timer window; each form has a class of its own,
// "Lockbay_" and the form's name.
inline constexpr wchar_t kLabelClass[] = L"LockbayLabel";
inline constexpr wchar_t kPictureClass[] = L"LockbayPicture";
inline constexpr wchar_t kImageClass[] = L"LockbayImage";
inline constexpr wchar_t kTimerClass[] = L"LockbayTimers";

// Posted to the timer window when a form is destroyed; see Win32Backend::formDestroyed.
inline constexpr UINT kCheckForLastForm = WM_APP + 1;
// Posted after a burst of list box changes: drawing resumes once the burst is over.
inline constexpr UINT kResumeListDrawing = WM_APP + 2;

HINSTANCE thisModule();

// The program's own icon: the first icon group in its resources, if it has one.
struct ProgramIcons {
    HICON large = nullptr;
    HICON small = nullptr;
};

const ProgramIcons& programIcons();

void registerClass(const wchar_t* name, WNDPROC procedure, const ProgramIcons& icons = {});

}  // namespace platform::win32::detail
