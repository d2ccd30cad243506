// How a form window and its custom controls paint. Labels, picture boxes and images are
// windows that paint themselves: a label is transparent, so it first paints what lies
// under it (its picture box's face and border, or the form's background), then its text.
// Each custom control is drawn off screen first, so that its layers never flicker.
#include <windows.h>

#include <algorithm>

#include "art.h"
#include "form_window.h"
#include "gdi_handles.h"
#include "win32_backend.h"
#include "win32_fonts.h"

namespace platform::win32::detail {

using ui::Art;
using ui::Control;
using ui::ControlKind;

void FormWindow::paintSurface(HDC dc, const Control* surface, POINT origin, SIZE size) {
    if (!surface) {
        // The form: its colour where the background picture does not reach.
        const ArtBitmap* background = nullptr;
        if (form_.design().background != Art::None) {
            const SIZE nominal = nominalArtSize(form_.design().background);
            background = backend_.art().get(form_.design().background, scale(nominal.cx), scale(nominal.cy));
        }
        {
            SavedDcState saved(dc);
            if (background) {
                ExcludeClipRect(dc, -origin.x, -origin.y, background->width() - origin.x,
                                background->height() - origin.y);
            }
            ScopedBrush brush(CreateSolidBrush(toColorRef(backColor_)));
            const RECT all{0, 0, size.cx, size.cy};
            FillRect(dc, &all, brush.get());
        }
        if (background) background->draw(dc, -origin.x, -origin.y);
        return;
    }

    const ChildWindow* child = find(surface);
    if (!child) return;
    RECT client{};
    GetClientRect(child->window, &client);
    const Art art = surface->design().art;
    if (!artIsOpaque(art)) {
        POINT position{0, 0};
        MapWindowPoints(child->window, GetParent(child->window), &position, 1);
        const Control* below = surface->parent() && find(surface->parent()) ? surface->parent() : nullptr;
        paintSurface(dc, below, POINT{origin.x + position.x, origin.y + position.y}, size);
    }
    if (const ArtBitmap* picture = backend_.art().get(art, client.right, client.bottom)) {
        picture->draw(dc, -origin.x, -origin.y);
    }
    if (surface->border() == 1) {
        // The single-line border: one pixel at 96 dpi, black, inside the control's edge.
        const int thickness = std::max(1, scale(1));
        RECT edge{-origin.x, -origin.y, client.right - origin.x, client.bottom - origin.y};
        for (int i = 0; i < thickness; ++i) {
            FrameRect(dc, &edge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&edge, -1, -1);
        }
    }
}

void FormWindow::prepare() {
    // The pictures the first paint draws, at the sizes it draws them: the backend keeps
    // them, so that the paint only copies them.
    if (form_.design().background != Art::None) {
        const SIZE nominal = nominalArtSize(form_.design().background);
        backend_.art().get(form_.design().background, scale(nominal.cx), scale(nominal.cy));
    }
    // The labels' texts are fitted to their windows and their fonts made, drawn once into
    // a memory device context that shows nowhere.
    const ScopedMemoryDc measure(CreateCompatibleDC(nullptr));
    for (const auto& child : children_) {
        if (!child->control->visible()) continue;
        RECT client{};
        GetClientRect(child->window, &client);
        backend_.art().get(child->control->design().art, client.right, client.bottom);
        if (measure && child->control->design().kind == ControlKind::Label && client.right > 0 &&
            client.bottom > 0)
            paintLabelText(measure.get(), *child, SIZE{client.right, client.bottom});
    }
}

// The layouts were made for a narrow face that is seldom installed, and a language file
// may bring longer texts: a text that does not fit its label is drawn a little smaller
// (down to 60 %) rather than cut off.
double FormWindow::fittedPoints(ChildWindow& child, HDC dc, SIZE size, UINT format) {
    const auto& design = child.control->design();
    const std::wstring& text = child.control->text();
    if (child.fittedText == text && child.fittedDpi == dpi_ && child.fittedSize.cx == size.cx &&
        child.fittedSize.cy == size.cy) {
        return child.fittedPoints;
    }
    ui::Font font = design.font;
    for (int percent = 100; percent >= 60; percent -= 5) {
        font.points = design.font.points * percent / 100.0;
        SelectGuard select(dc, fonts_.get(font));
        RECT needed{0, 0, size.cx, size.cy};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, format | DT_CALCRECT);
        if (needed.right <= size.cx && needed.bottom <= size.cy) break;
    }
    child.fittedText = text;
    child.fittedDpi = dpi_;
    child.fittedSize = size;
    child.fittedPoints = font.points;
    return font.points;
}

void FormWindow::paintLabelText(HDC dc, ChildWindow& child, SIZE size) {
    const auto& design = child.control->design();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(design.color));
    UINT format = DT_WORDBREAK | DT_NOPREFIX;
    switch (design.align) {
        case ui::Align::Left:
            format |= DT_LEFT;
            break;
        case ui::Align::Center:
            format |= DT_CENTER;
            break;
        case ui::Align::Right:
            format |= DT_RIGHT;
            break;
    }
    // A label may reach past the edge of its window or box: the text is fitted to, and
    // wrapped within, the part that shows.
    RECT parent{};
    const HWND parentWindow = GetParent(child.window);
    GetClientRect(parentWindow, &parent);
    POINT position{0, 0};
    MapWindowPoints(child.window, parentWindow, &position, 1);
    const SIZE shown{std::max<LONG>(1, std::min<LONG>(size.cx, parent.right - position.x)), size.cy};
    ui::Font font = design.font;
    font.points = fittedPoints(child, dc, shown, format);
    SelectGuard select(dc, fonts_.get(font));
    RECT area{0, 0, shown.cx, shown.cy};
    const std::wstring& text = child.control->text();
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
}

// Labels are transparent, as if they had no window of their own: under its own text a
// label draws the pictures of the images it overlaps, then the text of the labels it
// overlaps, so that painting one control never hides another.
void FormWindow::paintOverlappingLabels(HDC dc, ChildWindow& child) {
    const HWND parent = GetParent(child.window);
    RECT mine{};
    GetWindowRect(child.window, &mine);
    for (const ControlKind layer : {ControlKind::Image, ControlKind::Label}) {
        for (const auto& other : children_) {
            if (other.get() == &child || other->control->design().kind != layer) continue;
            if (GetParent(other->window) != parent || !IsWindowVisible(other->window)) continue;
            RECT theirs{};
            GetWindowRect(other->window, &theirs);
            RECT overlap{};
            if (!IntersectRect(&overlap, &mine, &theirs)) continue;
            const SIZE size{theirs.right - theirs.left, theirs.bottom - theirs.top};
            SavedDcState saved(dc);
            SetViewportOrgEx(dc, theirs.left - mine.left, theirs.top - mine.top, nullptr);
            if (layer == ControlKind::Image) {
                paintSurface(dc, other->control, POINT{0, 0}, size);
            } else {
                paintLabelText(dc, *other, size);
            }
        }
    }
}

void FormWindow::paintChild(ChildWindow& child, HDC target) {
    RECT client{};
    GetClientRect(child.window, &client);
    const SIZE size{client.right, client.bottom};
    if (size.cx <= 0 || size.cy <= 0) return;
    // Drawn off screen first, so that the layers never flicker.
    ScopedMemoryDc buffer(CreateCompatibleDC(target));
    ScopedBitmap bitmap(CreateCompatibleBitmap(target, size.cx, size.cy));
    if (!buffer || !bitmap) return;
    {
        SelectGuard select(buffer.get(), bitmap.get());
        paintSurface(buffer.get(), child.control, POINT{0, 0}, size);
        if (child.control->design().kind == ControlKind::Label) {
            paintOverlappingLabels(buffer.get(), child);
            paintLabelText(buffer.get(), child, size);
        }
        if (keyboardCues_ && GetFocus() == child.window) {
            // Inside the part of the control that shows: a label may reach past its box.
            RECT mark = client;
            if (child.control->parent()) {
                RECT parent{};
                const HWND parentWindow = GetParent(child.window);
                GetClientRect(parentWindow, &parent);
                MapWindowPoints(parentWindow, child.window, reinterpret_cast<POINT*>(&parent), 2);
                IntersectRect(&mark, &client, &parent);
            }
            InflateRect(&mark, -std::max(2, scale(2)), -std::max(2, scale(2)));
            SetTextColor(buffer.get(), RGB(0, 0, 0));
            SetBkColor(buffer.get(), RGB(255, 255, 255));
            DrawFocusRect(buffer.get(), &mark);
        }
        BitBlt(target, 0, 0, size.cx, size.cy, buffer.get(), 0, 0, SRCCOPY);
    }
}

void FormWindow::paintForm(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    paintSurface(dc, nullptr, POINT{0, 0}, SIZE{client.right, client.bottom});
}

}  // namespace platform::win32::detail
