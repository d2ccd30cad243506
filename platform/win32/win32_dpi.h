// DPI: the run-time lookup of the per-monitor DPI functions, and the one place where a
// length or a font size given at 96 dpi becomes device pixels.
//
// Layout is given at 96 dpi and scaled to the monitor the window is on (per-monitor
// aware): positions, fonts and pictures are rebuilt when the window's DPI changes.
#pragma once

#include <windows.h>

namespace platform::win32::detail {

// Functions of newer Windows versions, looked up at run time so that the program still
// starts (unscaled) where they are missing.
class DpiApi {
public:
    static const DpiApi& get();

    // Makes the process per-monitor aware unless its manifest has already decided.
    void becomeAware() const;
    UINT forWindow(HWND window) const;
    UINT forPrimaryMonitor() const;
    // The window rectangle for a client rectangle, with the frame sized for `dpi`.
    void adjust(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) const;

private:
    static constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    using SetProcessAwarenessFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using ForWindowFn = UINT(WINAPI*)(HWND);
    using ForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

    DpiApi();
    static UINT systemDpi();

    SetProcessAwarenessFn setProcessAwareness_ = nullptr;
    ForWindowFn forWindow_ = nullptr;
    ForMonitorFn forMonitor_ = nullptr;
    AdjustForDpiFn adjustForDpi_ = nullptr;
};

// The one place where a length at 96 dpi becomes device pixels.
int scaleForDpi(int value, UINT dpi);

// A font's height in device pixels (negative: the character height, as LOGFONT wants it).
int fontHeightForDpi(double points, UINT dpi);

}  // namespace platform::win32::detail
