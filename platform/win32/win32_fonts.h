// Colours and fonts of the form windows: the runtime's colours as GDI colours, and each
// window's fonts at its DPI, with a stand-in face where the one a layout names is missing.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "gdi_handles.h"
#include "platform/ui.h"

namespace platform::win32::detail {

COLORREF toColorRef(const ui::Color& color);

bool sameColor(const ui::Color& a, const ui::Color& b);

// The fonts of one window at its current DPI.
class FontSet {
public:
    explicit FontSet(UINT dpi) : dpi_(dpi) {}

    HFONT get(const ui::Font& font);
    void setDpi(UINT dpi);

private:
    UINT dpi_;
    std::map<std::tuple<std::wstring, double, bool, bool>, ScopedFont> fonts_;
};

}  // namespace platform::win32::detail
