// The product's own pictures, drawn with GDI and a few per-pixel gradients.
//
// Every picture is composed at its final pixel size from layers: a layer is a coverage
// mask (shapes and text drawn with GDI at four times the size, then averaged down, which
// gives smooth edges) painted with a colour or gradient at some opacity. Plain bars and
// the background are gradients computed per pixel. The result is a premultiplied 32-bit
// bitmap, so that the logo and the flags blend with the window background under them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "art.h"

namespace platform::win32 {

namespace {

using ui::Art;

// ---- Colours and rasters ------------------------------------------------------

struct Rgb {
    float r = 0;
    float g = 0;
    float b = 0;
};

constexpr Rgb rgb(int r, int g, int b) {
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

Rgb mix(Rgb a, Rgb b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb lighten(Rgb c, float amount) {
    return mix(c, rgb(255, 255, 255), amount);
}
Rgb darken(Rgb c, float amount) {
    return mix(c, rgb(0, 0, 0), amount);
}

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// Maps the picture's design coordinates (96-dpi pixels) onto device pixels.
struct Scaler {
    double sx = 1;
    double sy = 1;
    double dx = 0;  // shift in design units, for shadows
    double dy = 0;
    int x(double v) const { return static_cast<int>(std::lround((v + dx) * sx)); }
    int y(double v) const { return static_cast<int>(std::lround((v + dy) * sy)); }
    int height(double v) const { return std::max(1, static_cast<int>(std::lround(v * sy))); }
    POINT point(double px, double py) const { return {x(px), y(py)}; }
};

// A colour for each pixel, given its position in design coordinates.
using Paint = std::function<Rgb(double x, double y)>;

Paint solid(Rgb colour) {
    return [colour](double, double) { return colour; };
}

Paint vertical(Rgb top, Rgb bottom, double y0, double y1) {
    return [=](double, double y) { return mix(top, bottom, static_cast<float>((y - y0) / (y1 - y0))); };
}

// Coverage of each pixel, 0 to 1.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> coverage;
};

// The centre of pixel `p` of `pixels`, in design coordinates of a picture `design` long.
double designCoordinate(int p, long design, int pixels) {
    return (p + 0.5) * design / pixels;
}

// A picture that changes slowly from pixel to pixel: `paint` is taken every `step`
// pixels and blended in between, which looks the same for a smooth gradient and costs a
// fraction of asking for every pixel. Hands each pixel's colour to `put(index, colour)`,
// row by row.
template <typename Put>
void forEachSmoothPixel(int width, int height, SIZE design, const Paint& paint, int step, Put&& put) {
    const int columns = (width + step - 1) / step + 1;
    const int rows = (height + step - 1) / step + 1;
    std::vector<Rgb> grid(static_cast<size_t>(columns) * rows);
    for (int gy = 0; gy < rows; ++gy) {
        for (int gx = 0; gx < columns; ++gx) {
            grid[static_cast<size_t>(gy) * columns + gx] =
                paint(designCoordinate(gx * step, design.cx, width),
                      designCoordinate(gy * step, design.cy, height));
        }
    }
    // Where each column falls between two grid points, worked out once for all rows.
    std::vector<int> gridColumn(static_cast<size_t>(width));
    std::vector<float> columnWeight(static_cast<size_t>(width));
    for (int px = 0; px < width; ++px) {
        gridColumn[static_cast<size_t>(px)] = px / step;
        columnWeight[static_cast<size_t>(px)] = static_cast<float>(px % step) / step;
    }
    size_t index = 0;
    for (int py = 0; py < height; ++py) {
        const int gy = py / step;
        const float fy = static_cast<float>(py % step) / step;
        const Rgb* upper = &grid[static_cast<size_t>(gy) * columns];
        const Rgb* lower = upper + columns;
        for (int px = 0; px < width; ++px, ++index) {
            const int gx = gridColumn[static_cast<size_t>(px)];
            const float fx = columnWeight[static_cast<size_t>(px)];
            put(index, mix(mix(upper[gx], upper[gx + 1], fx), mix(lower[gx], lower[gx + 1], fx), fy));
        }
    }
}

// A colour channel, 0 to 1, as a byte of a 32-bit pixel.
std::uint32_t channel(float value) {
    return static_cast<std::uint32_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Premultiplied colour and alpha of each pixel.
class Raster {
public:
    Raster(int width, int height, SIZE design)
        : width_(width), height_(height), design_(design), pixels_(static_cast<size_t>(width) * height) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints `paint` through `mask` over what is there.
    void fill(const Mask& mask, const Paint& paint, float opacity = 1.0f) {
        for (int py = 0; py < height_; ++py) {
            for (int px = 0; px < width_; ++px) {
                const size_t i = static_cast<size_t>(py) * width_ + px;
                const float a = mask.coverage[i] * opacity;
                if (a <= 0) continue;
                over(pixels_[i], paint(designX(px), designY(py)), a);
            }
        }
    }

    // Paints `paint` over every pixel.
    void fillAll(const Paint& paint, float opacity = 1.0f) {
        for (int py = 0; py < height_; ++py) {
            for (int px = 0; px < width_; ++px) {
                over(pixels_[static_cast<size_t>(py) * width_ + px], paint(designX(px), designY(py)),
                     opacity);
            }
        }
    }

    // Paints the pixels of a rectangle in design coordinates (at least one pixel each way,
    // so that a hairline stays visible when the picture is drawn smaller).
    void fillRect(double x0, double y0, double x1, double y1, const Paint& paint, float opacity = 1.0f) {
        const auto range = [](double from, double to, int pixels, long design) {
            const int first =
                std::clamp(static_cast<int>(std::lround(from * pixels / design)), 0, pixels - 1);
            const int last =
                std::clamp(static_cast<int>(std::lround(to * pixels / design)), first + 1, pixels);
            return std::pair{first, last};
        };
        const auto [left, right] = range(x0, x1, width_, design_.cx);
        const auto [top, bottom] = range(y0, y1, height_, design_.cy);
        for (int py = top; py < bottom; ++py) {
            for (int px = left; px < right; ++px) {
                over(pixels_[static_cast<size_t>(py) * width_ + px], paint(designX(px), designY(py)),
                     opacity);
            }
        }
    }

    ScopedBitmap toBitmap() const;

private:
    struct Pixel {
        float r = 0, g = 0, b = 0, a = 0;
    };
    static void over(Pixel& dst, Rgb src, float a) {
        dst.r = src.r * a + dst.r * (1 - a);
        dst.g = src.g * a + dst.g * (1 - a);
        dst.b = src.b * a + dst.b * (1 - a);
        dst.a = a + dst.a * (1 - a);
    }
    double designX(int px) const { return designCoordinate(px, design_.cx, width_); }
    double designY(int py) const { return designCoordinate(py, design_.cy, height_); }

    int width_;
    int height_;
    SIZE design_;
    std::vector<Pixel> pixels_;
};

// A top-down 32-bit DIB section and a memory DC that holds it.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<std::uint32_t*>(bits);
        dc_.reset(CreateCompatibleDC(nullptr));
        if (dc_ && bitmap_) previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (previous_) SelectObject(dc_.get(), previous_);
    }

    bool valid() const { return bits_ != nullptr && dc_; }
    HDC dc() const { return dc_.get(); }
    std::uint32_t* bits() const { return bits_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Hands the bitmap over once drawing is done.
    ScopedBitmap takeBitmap() {
        if (previous_) SelectObject(dc_.get(), previous_);
        previous_ = nullptr;
        return std::move(bitmap_);
    }

private:
    int width_;
    int height_;
    ScopedBitmap bitmap_;
    ScopedMemoryDc dc_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

ScopedBitmap Raster::toBitmap() const {
    Canvas canvas(width_, height_);
    if (!canvas.valid()) return {};
    GdiFlush();
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const Pixel& p = pixels_[i];
        canvas.bits()[i] = (channel(p.a) << 24) | (channel(p.r) << 16) | (channel(p.g) << 8) | channel(p.b);
    }
    return canvas.takeBitmap();
}

// ---- Masks drawn with GDI -----------------------------------------------------

constexpr int kSupersample = 2;

using Drawing = std::function<void(HDC, const Scaler&)>;

// Draws the masks of one picture: white on black at twice the size, averaged down to
// coverage (drawing in black takes coverage away again). The masks of a picture share
// one canvas, cleared between them: touching a new canvas's memory for the first time
// costs more than drawing a mask on it.
class MaskPainter {
public:
    MaskPainter(int width, int height, SIZE design)
        : width_(width),
          height_(height),
          design_(design),
          canvas_(width * kSupersample, height * kSupersample) {}

    Mask render(const Drawing& draw, double shiftX = 0, double shiftY = 0) {
        Mask mask{width_, height_, std::vector<float>(static_cast<size_t>(width_) * height_, 0.0f)};
        if (!canvas_.valid()) return mask;
        HDC dc = canvas_.dc();
        GdiFlush();
        std::fill_n(canvas_.bits(), static_cast<size_t>(canvas_.width()) * canvas_.height(), 0u);
        // Every mask starts from the DC's first state, whatever the one before left.
        const int firstState = SaveDC(dc);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        SelectObject(dc, GetStockObject(NULL_PEN));
        const Scaler scaler{static_cast<double>(canvas_.width()) / design_.cx,
                            static_cast<double>(canvas_.height()) / design_.cy, shiftX, shiftY};
        draw(dc, scaler);
        GdiFlush();
        RestoreDC(dc, firstState);
        const int stride = canvas_.width();
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                unsigned sum = 0;
                for (int sy = 0; sy < kSupersample; ++sy) {
                    const std::uint32_t* row =
                        canvas_.bits() + static_cast<size_t>(y * kSupersample + sy) * stride;
                    for (int sx = 0; sx < kSupersample; ++sx) sum += (row[x * kSupersample + sx] >> 8) & 0xFF;
                }
                mask.coverage[static_cast<size_t>(y) * width_ + x] =
                    static_cast<float>(sum) / (255.0f * kSupersample * kSupersample);
            }
        }
        return mask;
    }

private:
    int width_;
    int height_;
    SIZE design_;
    Canvas canvas_;
};

// Softens a mask (two box blurs approach a Gaussian); radius in device pixels.
Mask blurred(Mask mask, int radius) {
    if (radius <= 0) return mask;
    std::vector<float> temp(mask.coverage.size());
    const int w = mask.width;
    const int h = mask.height;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += mask.coverage[static_cast<size_t>(y) * w + std::clamp(x + k, 0, w - 1)];
                temp[static_cast<size_t>(y) * w + x] = sum / (2 * radius + 1);
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += temp[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
                mask.coverage[static_cast<size_t>(y) * w + x] = sum / (2 * radius + 1);
            }
        }
    }
    return mask;
}

// A font for the masks: the first installed face of the list, `pixels` high.
ScopedFont maskFont(std::initializer_list<const wchar_t*> faces, int pixels, int weight) {
    // With none of them installed, the font mapper picks a plain sans-serif face.
    std::wstring face;
    for (const wchar_t* candidate : faces) {
        if (fontFamilyExists(candidate)) {
            face = candidate;
            break;
        }
    }
    LOGFONTW font{};
    font.lfHeight = -pixels;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = ANTIALIASED_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return ScopedFont(CreateFontIndirectW(&font));
}

// ---- Shapes in design coordinates -------------------------------------------

void rectangle(HDC dc, const Scaler& s, double x0, double y0, double x1, double y1) {
    const RECT rect{s.x(x0), s.y(y0), s.x(x1), s.y(y1)};
    FillRect(dc, &rect, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
}

void roundRect(HDC dc, const Scaler& s, double x0, double y0, double x1, double y1, double radius) {
    RoundRect(dc, s.x(x0), s.y(y0), s.x(x1) + 1, s.y(y1) + 1, s.x(radius * 2) - s.x(0),
              s.y(radius * 2) - s.y(0));
}

void ellipse(HDC dc, const Scaler& s, double cx, double cy, double rx, double ry) {
    Ellipse(dc, s.x(cx - rx), s.y(cy - ry), s.x(cx + rx) + 1, s.y(cy + ry) + 1);
}

void polygon(HDC dc, const Scaler& s, std::initializer_list<std::array<double, 2>> points) {
    std::vector<POINT> device;
    for (const auto& p : points) device.push_back(s.point(p[0], p[1]));
    Polygon(dc, device.data(), static_cast<int>(device.size()));
}

// Keeps the coverage that both masks share.
Mask intersected(Mask mask, const Mask& other) {
    for (size_t i = 0; i < mask.coverage.size(); ++i) mask.coverage[i] *= other.coverage[i];
    return mask;
}

// ---- Background ---------------------------------------------------------------

// Sky blue, a little lighter at the top, with a soft glow and faint diagonal light bands.
Rgb backgroundColour(double x, double y) {
    const Rgb top = rgb(184, 226, 253);
    const Rgb bottom = rgb(112, 184, 238);
    Rgb colour = mix(top, bottom, static_cast<float>(y / 600.0));
    const double glow = std::hypot((x - 287.0) / 1.4, y + 90.0);
    colour = lighten(colour, 0.16f * (1.0f - smoothstep(0.0f, 430.0f, static_cast<float>(glow))));
    struct Band {
        double centre;
        double halfWidth;
        float strength;
    };
    constexpr std::array<Band, 3> kBands{{{170, 60, 0.085f}, {430, 95, 0.06f}, {735, 45, 0.07f}}};
    const double diagonal = x * 0.75 + y;
    for (const Band& band : kBands) {
        const float distance = static_cast<float>(std::abs(diagonal - band.centre) / band.halfWidth);
        colour = lighten(colour, band.strength * (1.0f - smoothstep(0.0f, 1.0f, distance)));
    }
    return colour;
}

// The background is one opaque smooth layer: its colours go straight into the bitmap,
// without a raster in between (the biggest picture, and the first one a window paints).
ScopedBitmap renderBackground(int width, int height) {
    Canvas canvas(width, height);
    if (!canvas.valid()) return {};
    GdiFlush();
    std::uint32_t* bits = canvas.bits();
    forEachSmoothPixel(width, height, nominalArtSize(Art::Background), backgroundColour, 4,
                       [bits](size_t index, Rgb colour) {
                           bits[index] = 0xFF000000u | (channel(colour.r) << 16) | (channel(colour.g) << 8) |
                                         channel(colour.b);
                       });
    return canvas.takeBitmap();
}

// ---- Bars: button faces, link faces, mode panels, tabs ------------------------

struct BarColours {
    Rgb top;     // top of the upper, glossier half
    Rgb middle;  // where the two halves meet
    Rgb bottom;
};

constexpr BarColours kButtonBlue{rgb(112, 180, 242), rgb(36, 112, 208), rgb(22, 82, 170)};
constexpr BarColours kBrightBlue{rgb(124, 194, 252), rgb(40, 128, 230), rgb(24, 94, 196)};
constexpr BarColours kGreyBlue{rgb(150, 166, 190), rgb(104, 120, 148), rgb(80, 94, 122)};
constexpr BarColours kNavy{rgb(78, 100, 158), rgb(32, 50, 106), rgb(18, 32, 76)};
constexpr BarColours kTeal{rgb(102, 204, 226), rgb(26, 142, 178), rgb(14, 102, 140)};

// A glossy horizontal bar between design x0 and x1: a brighter upper half over a deeper
// lower half, a light line along the top edge and a dark one along the bottom, which
// give it a rounded look.
void paintBar(Raster& raster, double x0, double x1, double height, const BarColours& colours) {
    const double half = height * 0.48;
    raster.fillRect(x0, 0, x1, height, [=](double, double y) {
        if (y < half) return mix(colours.top, lighten(colours.middle, 0.1f), static_cast<float>(y / half));
        return mix(colours.middle, colours.bottom, static_cast<float>((y - half) / (height - half)));
    });
    raster.fillRect(x0, 0, x1, 1, solid(lighten(colours.top, 0.6f)), 0.9f);
    raster.fillRect(x0, 1, x1, 2, solid(lighten(colours.top, 0.6f)), 0.3f);
    raster.fillRect(x0, height - 1, x1, height, solid(darken(colours.bottom, 0.45f)), 0.85f);
    raster.fillRect(x0, height - 2, x1, height - 1, solid(darken(colours.bottom, 0.3f)), 0.25f);
}

// Darkens the left and right edge a little, so that a bar reads as one piece.
void paintBarEnds(Raster& raster, double width, double height, const BarColours& colours) {
    raster.fillRect(0, 0, 1, height, solid(darken(colours.bottom, 0.3f)), 0.35f);
    raster.fillRect(width - 1, 0, width, height, solid(darken(colours.bottom, 0.3f)), 0.35f);
}

void paintPlainBar(Raster& raster, SIZE size, const BarColours& colours) {
    paintBar(raster, 0, size.cx, size.cy, colours);
    paintBarEnds(raster, size.cx, size.cy, colours);
}

// The Simple/Advanced panel: the selected part bright blue, the other grey blue.
void paintModePanel(Raster& raster, bool simpleSelected) {
    constexpr double kWidth = 240;
    constexpr double kHeight = 33;
    constexpr double kSplit = 108;
    paintBar(raster, 0, kSplit, kHeight, simpleSelected ? kBrightBlue : kGreyBlue);
    paintBar(raster, kSplit, kWidth, kHeight, simpleSelected ? kGreyBlue : kBrightBlue);
    raster.fillRect(kSplit - 1, 0, kSplit, kHeight, solid(rgb(16, 40, 84)), 0.55f);
    raster.fillRect(kSplit, 0, kSplit + 1, kHeight, solid(rgb(255, 255, 255)), 0.3f);
    paintBarEnds(raster, kWidth, kHeight, kGreyBlue);
}

// ---- Logo ---------------------------------------------------------------------

// The shield's outline, shrunk towards its centre by `inset` (0 = full size).
void shieldPath(HDC dc, const Scaler& s, double inset) {
    constexpr double kCx = 32;
    constexpr double kCy = 37;
    const double f = 1.0 - inset;
    auto p = [&](double x, double y) { return s.point(kCx + (x - kCx) * f, kCy + (y - kCy) * f); };
    const std::array<POINT, 3> topRight{p(40, 9.5), p(49, 11), p(57, 11)};
    const std::array<POINT, 6> lowerCurves{p(57, 51), p(46, 62), p(32, 69), p(18, 62), p(7, 51), p(7, 33)};
    const std::array<POINT, 3> topLeft{p(15, 11), p(24, 9.5), p(32, 4)};
    BeginPath(dc);
    const POINT start = p(32, 4);
    MoveToEx(dc, start.x, start.y, nullptr);
    PolyBezierTo(dc, topRight.data(), static_cast<DWORD>(topRight.size()));
    const POINT rightSide = p(57, 33);
    LineTo(dc, rightSide.x, rightSide.y);
    PolyBezierTo(dc, lowerCurves.data(), static_cast<DWORD>(lowerCurves.size()));
    const POINT leftSide = p(7, 11);
    LineTo(dc, leftSide.x, leftSide.y);
    PolyBezierTo(dc, topLeft.data(), static_cast<DWORD>(topLeft.size()));
    CloseFigure(dc);
    EndPath(dc);
}

void fillShield(HDC dc, const Scaler& s, double inset) {
    shieldPath(dc, s, inset);
    FillPath(dc);
}

constexpr double kWordLeft = 67;
constexpr double kWordRight = 247;

// "Lockbay", as large as fits beside the shield.
void drawWordmark(HDC dc, const Scaler& s) {
    double pixels = 40;
    const int available = s.x(kWordRight) - s.x(kWordLeft);
    static constexpr wchar_t kWord[] = L"Lockbay";
    const int length = static_cast<int>(std::size(kWord) - 1);
    for (;;) {
        ScopedFont font = maskFont({L"Segoe UI", L"Tahoma", L"Verdana", L"Arial"}, s.height(pixels), FW_BOLD);
        SelectGuard select(dc, font.get());
        SIZE extent{};
        GetTextExtentPoint32W(dc, kWord, length, &extent);
        if (extent.cx <= available || pixels <= 20) {
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            TextOutW(dc, s.x(kWordLeft), s.y(40), kWord, length);
            return;
        }
        pixels -= 1;
    }
}

void drawTagline(HDC dc, const Scaler& s) {
    static constexpr wchar_t kTagline[] = L"USB drive protection";
    ScopedFont font = maskFont({L"Segoe UI", L"Tahoma", L"Verdana", L"Arial"}, s.height(12.5), FW_BOLD);
    SelectGuard select(dc, font.get());
    SetTextCharacterExtra(dc, s.x(0.9) - s.x(0));
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    TextOutW(dc, s.x(kWordLeft + 2), s.y(60), kTagline, static_cast<int>(std::size(kTagline) - 1));
    SetTextCharacterExtra(dc, 0);
}

void paintLogo(Raster& raster) {
    const int w = raster.width();
    const int h = raster.height();
    const SIZE design{250, 73};
    const int softness = std::max(1, static_cast<int>(std::lround(1.6 * h / 73.0)));
    MaskPainter painter(w, h, design);
    auto mask = [&](const Drawing& draw, double shiftX = 0, double shiftY = 0) {
        return painter.render(draw, shiftX, shiftY);
    };
    const auto outerShield = [](HDC dc, const Scaler& s) { fillShield(dc, s, 0); };
    const auto innerShield = [](HDC dc, const Scaler& s) { fillShield(dc, s, 0.13); };

    // Shield: a soft shadow, a silver rim, a deep blue face with a gloss.
    raster.fill(blurred(mask(outerShield, 1.2, 2.2), softness), solid(rgb(8, 34, 80)), 0.38f);
    raster.fill(mask(outerShield), vertical(rgb(252, 253, 255), rgb(170, 190, 222), 4, 69));
    raster.fill(mask(innerShield), vertical(rgb(64, 152, 240), rgb(16, 60, 156), 8, 66));
    raster.fill(mask([](HDC dc, const Scaler& s) {
                    shieldPath(dc, s, 0.13);
                    SelectClipPath(dc, RGN_COPY);
                    ellipse(dc, s, 22, 14, 30, 22);
                    SelectClipRgn(dc, nullptr);
                }),
                solid(rgb(255, 255, 255)), 0.2f);

    // Padlock: a silver shackle, a golden body and a keyhole.
    raster.fill(
        blurred(mask([](HDC dc, const Scaler& s) { roundRect(dc, s, 19.5, 33, 44.5, 54, 3); }, 0.6, 1.2),
                softness),
        solid(rgb(4, 20, 60)), 0.45f);
    raster.fill(mask([](HDC dc, const Scaler& s) {
                    roundRect(dc, s, 23.5, 19, 40.5, 44, 8.5);
                    SelectGuard black(dc, GetStockObject(BLACK_BRUSH));
                    roundRect(dc, s, 27.5, 23, 36.5, 44, 4.5);
                }),
                vertical(rgb(250, 251, 253), rgb(160, 174, 196), 19, 36));
    raster.fill(mask([](HDC dc, const Scaler& s) { roundRect(dc, s, 19.5, 33, 44.5, 54, 3); }),
                vertical(rgb(255, 226, 120), rgb(226, 156, 32), 33, 54));
    raster.fill(mask([](HDC dc, const Scaler& s) { rectangle(dc, s, 20.5, 34, 43.5, 35); }),
                solid(rgb(255, 246, 210)), 0.7f);
    raster.fill(mask([](HDC dc, const Scaler& s) {
                    ellipse(dc, s, 32, 41.5, 2.9, 2.9);
                    polygon(dc, s, {{{30.4, 42.5}}, {{33.6, 42.5}}, {{34.5, 49.5}}, {{29.5, 49.5}}});
                }),
                solid(rgb(96, 62, 12)));

    // The name with a subtle shadow, and the tagline under it.
    raster.fill(blurred(mask(drawWordmark, 1.0, 1.6), softness), solid(rgb(6, 30, 78)), 0.33f);
    raster.fill(mask(drawWordmark), vertical(rgb(30, 84, 168), rgb(10, 38, 100), 8, 44));
    raster.fill(mask(drawTagline), solid(rgb(22, 66, 132)), 0.92f);
}

// ---- Flags ----------------------------------------------------------------------

// Four flags of our own: a horizontal tricolour, an offset double cross, a vertical
// tricolour and a diagonal split with a disc. Each is a small rounded card with a shadow.
void paintFlags(Raster& raster) {
    const int w = raster.width();
    const int h = raster.height();
    const SIZE design{106, 50};
    constexpr double kFlagWidth = 23;
    constexpr double kFlagHeight = 17;
    constexpr double kGap = 4;
    constexpr double kTop = 16;
    const int softness = std::max(1, static_cast<int>(std::lround(1.2 * h / 50.0)));
    MaskPainter painter(w, h, design);
    auto mask = [&](const Drawing& draw, double shiftX = 0, double shiftY = 0) {
        return painter.render(draw, shiftX, shiftY);
    };

    for (int index = 0; index < 4; ++index) {
        const double left = 1 + index * (kFlagWidth + kGap);
        const double right = left + kFlagWidth;
        const double top = kTop;
        const double bottom = kTop + kFlagHeight;
        const auto card = [=](HDC dc, const Scaler& s) { roundRect(dc, s, left, top, right, bottom, 2); };
        const Mask shape = mask(card);
        auto part = [&](const Drawing& draw) { return intersected(mask(draw), shape); };
        auto band = [&](double x0, double y0, double x1, double y1) {
            return part([=](HDC dc, const Scaler& s) { rectangle(dc, s, x0, y0, x1, y1); });
        };

        raster.fill(blurred(mask(card, 0.8, 1.4), softness), solid(rgb(6, 30, 70)), 0.4f);
        const double third = kFlagHeight / 3;
        const double column = kFlagWidth / 3;
        switch (index) {
            case 0:  // teal, white and coral stripes
                raster.fill(band(left, top, right, top + third), solid(rgb(0, 150, 158)));
                raster.fill(band(left, top + third, right, top + 2 * third), solid(rgb(250, 250, 246)));
                raster.fill(band(left, top + 2 * third, right, bottom), solid(rgb(238, 104, 78)));
                break;
            case 1:  // a white cross set towards the hoist, lined with orange, on green
                raster.fill(shape, solid(rgb(28, 146, 98)));
                raster.fill(band(left + 5.5, top, left + 11, bottom), solid(rgb(255, 255, 255)));
                raster.fill(band(left, top + kFlagHeight / 2 - 2.75, right, top + kFlagHeight / 2 + 2.75),
                            solid(rgb(255, 255, 255)));
                raster.fill(band(left + 7, top, left + 9.5, bottom), solid(rgb(246, 138, 30)));
                raster.fill(band(left, top + kFlagHeight / 2 - 1.25, right, top + kFlagHeight / 2 + 1.25),
                            solid(rgb(246, 138, 30)));
                break;
            case 2:  // purple, gold and green columns
                raster.fill(band(left, top, left + column, bottom), solid(rgb(112, 62, 164)));
                raster.fill(band(left + column, top, left + 2 * column, bottom), solid(rgb(250, 204, 64)));
                raster.fill(band(left + 2 * column, top, right, bottom), solid(rgb(40, 152, 84)));
                break;
            default:  // yellow over red on the diagonal, a white disc in the middle
                raster.fill(shape, solid(rgb(206, 38, 52)));
                raster.fill(part([=](HDC dc, const Scaler& s) {
                                polygon(dc, s, {{{left, top}}, {{right, top}}, {{left, bottom}}});
                            }),
                            solid(rgb(255, 206, 54)));
                raster.fill(part([=](HDC dc, const Scaler& s) {
                                ellipse(dc, s, (left + right) / 2, (top + bottom) / 2, 3.6, 3.6);
                            }),
                            solid(rgb(255, 255, 255)));
                break;
        }
        // Gloss on the upper half and a fine dark edge.
        raster.fill(band(left, top, right, top + kFlagHeight * 0.45), solid(rgb(255, 255, 255)), 0.16f);
        const Mask inner = mask([=](HDC dc, const Scaler& s) {
            roundRect(dc, s, left + 0.7, top + 0.7, right - 0.7, bottom - 0.7, 1.5);
        });
        Mask edge = shape;
        for (size_t i = 0; i < edge.coverage.size(); ++i) {
            edge.coverage[i] = std::max(0.0f, edge.coverage[i] - inner.coverage[i]);
        }
        raster.fill(edge, solid(rgb(20, 36, 70)), 0.5f);
    }
}

ScopedBitmap renderBitmap(Art art, int width, int height) {
    if (art == Art::Background) return renderBackground(width, height);
    const SIZE design = nominalArtSize(art);
    Raster raster(width, height, design);
    switch (art) {
        case Art::Background:  // above
            break;
        case Art::Logo:
            paintLogo(raster);
            break;
        case Art::Flags:
            paintFlags(raster);
            break;
        case Art::ButtonFace:
            paintPlainBar(raster, design, kButtonBlue);
            break;
        case Art::LinkFace:
            paintPlainBar(raster, design, kNavy);
            break;
        case Art::ModeSimple:
            paintModePanel(raster, true);
            break;
        case Art::ModeAdvanced:
            paintModePanel(raster, false);
            break;
        case Art::TabFace:
            paintPlainBar(raster, design, kTeal);
            break;
        case Art::None:
            break;
    }
    return raster.toBitmap();
}

// Font families found once, the first time any is asked for.
const std::set<std::wstring>& installedFamilies() {
    static const std::set<std::wstring> families = [] {
        std::set<std::wstring> found;
        WindowDc screen(nullptr);
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(
            screen.get(), &query,
            [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM context) -> int {
                reinterpret_cast<std::set<std::wstring>*>(context)->insert(font->lfFaceName);
                return 1;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        return found;
    }();
    return families;
}

}  // namespace

bool fontFamilyExists(const std::wstring& face) {
    const auto& families = installedFamilies();
    if (families.count(face) != 0) return true;
    return std::any_of(families.begin(), families.end(), [&](const std::wstring& family) {
        return lstrcmpiW(family.c_str(), face.c_str()) == 0;
    });
}

SIZE nominalArtSize(ui::Art art) {
    switch (art) {
        case Art::Background:
            return {574, 600};
        case Art::Logo:
            return {250, 73};
        case Art::Flags:
            return {106, 50};
        case Art::ButtonFace:
            return {120, 33};
        case Art::LinkFace:
            return {207, 24};
        case Art::ModeSimple:
        case Art::ModeAdvanced:
            return {240, 33};
        case Art::TabFace:
            return {239, 29};
        case Art::None:
            break;
    }
    return {0, 0};
}

bool artIsOpaque(ui::Art art) {
    return art != Art::None && art != Art::Logo && art != Art::Flags;
}

void ArtBitmap::draw(HDC dc, int x, int y) const {
    ScopedMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectGuard select(source.get(), bitmap_.get());
    if (opaque_) {
        BitBlt(dc, x, y, width_, height_, source.get(), 0, 0, SRCCOPY);
        return;
    }
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, width_, height_, source.get(), 0, 0, width_, height_, blend);
}

const ArtBitmap* ArtCache::get(ui::Art art, int width, int height) {
    if (art == Art::None || width <= 0 || height <= 0) return nullptr;
    const auto key = std::make_tuple(static_cast<int>(art), width, height);
    if (auto found = bitmaps_.find(key); found != bitmaps_.end()) return &found->second;
    ScopedBitmap bitmap = renderBitmap(art, width, height);
    if (!bitmap) return nullptr;
    return &bitmaps_.emplace(key, ArtBitmap(std::move(bitmap), width, height, artIsOpaque(art)))
                .first->second;
}

}  // namespace platform::win32
