// The product's own pictures (background, logo, flags, button faces), drawn at run
// time at the exact pixel size they are shown at, and kept for reuse.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "gdi_handles.h"
#include "platform/ui.h"

namespace platform::win32 {

// A picture rendered at one pixel size: a 32-bit bitmap with premultiplied alpha.
class ArtBitmap {
public:
    ArtBitmap(ScopedBitmap bitmap, int width, int height, bool opaque)
        : bitmap_(std::move(bitmap)), width_(width), height_(height), opaque_(opaque) {}
    int width() const { return width_; }
    int height() const { return height_; }
    bool opaque() const { return opaque_; }
    // Draws the picture with its top-left corner at (x, y), blending where it is transparent.
    void draw(HDC dc, int x, int y) const;

private:
    ScopedBitmap bitmap_;
    int width_;
    int height_;
    bool opaque_;
};

// The size a picture is designed at, in pixels at 96 dpi.
SIZE nominalArtSize(ui::Art art);

// Whether a picture covers every pixel of its rectangle.
bool artIsOpaque(ui::Art art);

// Renders pictures on first use at each size and keeps them.
class ArtCache {
public:
    // Nothing for Art::None or an empty size.
    const ArtBitmap* get(ui::Art art, int width, int height);
    void clear() { bitmaps_.clear(); }

private:
    std::map<std::tuple<int, int, int>, ArtBitmap> bitmaps_;
};

// True when a font family of that name is installed (the answer is remembered).
bool fontFamilyExists(const std::wstring& face);

}  // namespace platform::win32
