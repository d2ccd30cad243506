// One form's window and the windows of its controls. Every form is a top-level window and
// every control a child window with a stable id and its caption as window text.
//
// The class is defined in three files: form_window.cpp (creating the windows, following
// the runtime's changes, and the window procedures), form_painting.cpp (how the form and
// its custom controls paint) and form_input.cpp (mouse, keyboard and the notifications
// of child controls).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "gdi_handles.h"
#include "platform/ui.h"
#include "win32_dpi.h"
#include "win32_fonts.h"

namespace platform::win32::detail {

class Win32Backend;
class FormWindow;

// ---- One control's window -------------------------------------------------------------

struct ChildWindow {
    ui::Control* control = nullptr;
    FormWindow* form = nullptr;
    HWND window = nullptr;

    // What the window shows now, so that a change touches only what differs.
    std::wstring text;
    bool visible = false;
    int border = 0;
    ui::Color backColor;
    // The list's lines shown: the first `itemCount` of the list's lines since its
    // refill numbered `itemsRevision` (ListBox::revision).
    std::size_t itemCount = 0;
    std::uint64_t itemsRevision = 0;
    int selected = -1;
    bool drawingSuspended = false;  // a list box refill is under way
    WNDPROC listBoxProcedure = nullptr;  // the list box class's own procedure
    ScopedBrush backBrush;          // list box background

    // The font size at which the label's text last fitted, and for what.
    std::wstring fittedText;
    UINT fittedDpi = 0;
    SIZE fittedSize{0, 0};
    double fittedPoints = 0;

    UINT pressedWith = 0;   // the WM_xBUTTONDOWN that pressed it, 0 when not pressed
    WPARAM pressedKey = 0;  // VK_RETURN or VK_SPACE while pressed from the keyboard

    bool isCustom() const { return control->design().kind != ui::ControlKind::ListBox; }
};

// ---- One form's window ----------------------------------------------------------------

class FormWindow : public ui::FormPeer {
public:
    FormWindow(Win32Backend& backend, ui::Form& form);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    ~FormWindow() override;

    void formChanged() override;
    void controlChanged(ui::Control& control) override;
    void prepare() override;

    HWND window() const { return window_; }
    ui::Form& form() const { return form_; }
    void setKeyboardCues(bool shown);

    static LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Put in front of the list boxes' own procedure (a system class) to answer screen
    // readers; their ChildWindow is in GWLP_USERDATA, which the class leaves to us.
    static LRESULT CALLBACK listProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    LRESULT onFormMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onChildMessage(ChildWindow& child, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND and WM_CTLCOLORLISTBOX reach the list box's parent: the form or a box.
    bool onParentNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    ChildWindow* createChild(ui::Control& control);
    ChildWindow* find(const ui::Control* control) const;
    ChildWindow* find(HWND window) const;
    ChildWindow* findByName(const wchar_t* name) const;
    HWND parentWindowOf(const ui::Control& control) const;
    RECT scaledRect(const ui::Rect& rect) const;
    int scale(int value) const { return scaleForDpi(value, dpi_); }
    void applyDpi(UINT dpi);
    void syncListBox(ChildWindow& child);
    void applyListBackground(ChildWindow& child);

    void paintForm(HDC dc);
    void paintChild(ChildWindow& child, HDC target);
    // Paints `surface` (a control, or the form when null) into a DC whose origin lies at
    // `origin` in the surface's client coordinates, with what shows through it first.
    void paintSurface(HDC dc, const ui::Control* surface, POINT origin, SIZE size);
    void paintLabelText(HDC dc, ChildWindow& child, SIZE size);
    void paintOverlappingLabels(HDC dc, ChildWindow& child);
    double fittedPoints(ChildWindow& child, HDC dc, SIZE size, UINT format);

    void press(ChildWindow& child);
    void release(ChildWindow& child, bool inside, bool leftButton);

    Win32Backend& backend_;
    ui::Form& form_;
    HWND window_ = nullptr;
    UINT dpi_;
    FontSet fonts_;
    std::vector<std::unique_ptr<ChildWindow>> children_;
    HWND lastFocus_ = nullptr;
    bool keyboardCues_ = false;

    // What the window shows now.
    std::wstring title_;
    bool visible_ = false;
    ui::Color backColor_;
};

}  // namespace platform::win32::detail
