// DPI: the per-monitor DPI functions of newer Windows versions, looked up at run time,
// with the system DPI as the fallback, and the scaling from 96 dpi to device pixels.
#include "win32_dpi.h"

#include <cmath>

#include "gdi_handles.h"
#include "win32_library.h"

namespace platform::win32::detail {

const DpiApi& DpiApi::get() {
    static const DpiApi api;
    return api;
}

void DpiApi::becomeAware() const {
    if (setProcessAwareness_) {
        setProcessAwareness_(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    } else {
        SetProcessDPIAware();
    }
}

UINT DpiApi::forWindow(HWND window) const {
    if (forWindow_) {
        if (const UINT dpi = forWindow_(window); dpi != 0) return dpi;
    }
    return systemDpi();
}

UINT DpiApi::forPrimaryMonitor() const {
    if (forMonitor_) {
        UINT x = 0;
        UINT y = 0;
        const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        if (SUCCEEDED(forMonitor_(primary, kEffectiveDpi, &x, &y)) && y != 0) return y;
    }
    return systemDpi();
}

void DpiApi::adjust(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) const {
    if (adjustForDpi_ && adjustForDpi_(&rect, style, FALSE, exStyle, dpi)) return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

DpiApi::DpiApi() {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const HMODULE shcore = systemLibrary(L"shcore.dll");
    setProcessAwareness_ = bindFunction<SetProcessAwarenessFn>(user32, "SetProcessDpiAwarenessContext");
    forWindow_ = bindFunction<ForWindowFn>(user32, "GetDpiForWindow");
    adjustForDpi_ = bindFunction<AdjustForDpiFn>(user32, "AdjustWindowRectExForDpi");
    forMonitor_ = bindFunction<ForMonitorFn>(shcore, "GetDpiForMonitor");
}

UINT DpiApi::systemDpi() {
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int scaleForDpi(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

int fontHeightForDpi(double points, UINT dpi) {
    const int hundredths = static_cast<int>(std::lround(points * 100.0));
    return -MulDiv(hundredths, static_cast<int>(dpi), 72 * 100);
}

}  // namespace platform::win32::detail
