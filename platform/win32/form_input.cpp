// How a form window's controls take mouse and keyboard input: the custom controls'
// messages (painting is handed on to form_painting.cpp) and the notifications that the
// list box sends its parent. Pressing the mouse (or Enter or Space after Tab) on a label
// raises the control's mouse-down, mouse-up and click events; the forms turn those into
// the one-pixel border of the box under the label. The drive list is a real LISTBOX.
#include <windows.h>

#include "form_window.h"
#include "win32_accessibility.h"
#include "win32_fonts.h"

namespace platform::win32::detail {

using ui::Control;

void FormWindow::press(ChildWindow& child) {
    Control* control = child.control;
    control->raiseMouseDown();
}

void FormWindow::release(ChildWindow& child, bool inside, bool leftButton) {
    // The handlers may unload the form, and with it this window: only `control`, which
    // belongs to the form object and outlives its windows, is used after the first call.
    Control* control = child.control;
    control->raiseMouseUp();
    if (inside && leftButton) control->raiseClick();
}

bool FormWindow::onParentNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CTLCOLORLISTBOX) {
        ChildWindow* list = find(reinterpret_cast<HWND>(lParam));
        if (!list || !list->backBrush) return false;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, toColorRef(list->backColor));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        result = reinterpret_cast<LRESULT>(list->backBrush.get());
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) {
        ChildWindow* list = find(reinterpret_cast<HWND>(lParam));
        if (!list) return false;
        const int index = static_cast<int>(SendMessageW(list->window, LB_GETCURSEL, 0, 0));
        list->selected = index;
        auto* listBox = dynamic_cast<ui::ListBox*>(list->control);
        if (listBox) listBox->raiseSelected(index);  // may unload the form: nothing after this
        result = 0;
        return true;
    }
    return false;
}

namespace {

bool isActivationKey(WPARAM key) {
    return key == VK_RETURN || key == VK_SPACE;
}

}  // namespace

LRESULT FormWindow::onChildMessage(ChildWindow& child, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (onParentNotification(message, wParam, lParam, result)) return result;
    const HWND window = child.window;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintDc paint(window);
            paintChild(child, paint.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            paintChild(child, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETTEXT: {
            const LRESULT done = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return done;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (child.pressedWith != 0 || child.pressedKey != 0) return 0;
            child.pressedWith = message;
            SetCapture(window);
            setKeyboardCues(false);
            if (child.control->design().pressable) SetFocus(window);
            press(child);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const UINT pressedWith = child.pressedWith;
            const bool matches = (message == WM_LBUTTONUP && pressedWith == WM_LBUTTONDOWN) ||
                                 (message == WM_RBUTTONUP && pressedWith == WM_RBUTTONDOWN) ||
                                 (message == WM_MBUTTONUP && pressedWith == WM_MBUTTONDOWN);
            if (!matches) return 0;
            child.pressedWith = 0;
            RECT client{};
            GetClientRect(window, &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool inside = PtInRect(&client, at) != FALSE;
            ReleaseCapture();
            release(child, inside, message == WM_LBUTTONUP);
            return 0;
        }
        case WM_CAPTURECHANGED:
            // Capture taken away while pressed (another window grabbed it): the press ends
            // without a click, and the border goes away.
            if (child.pressedWith != 0 && reinterpret_cast<HWND>(lParam) != window) {
                child.pressedWith = 0;
                release(child, false, false);
            }
            return 0;
        case WM_GETDLGCODE: {
            // Enter and Space press the control instead of going to the form.
            const auto* queued = reinterpret_cast<const MSG*>(lParam);
            if (queued && (queued->message == WM_KEYDOWN || queued->message == WM_KEYUP) &&
                isActivationKey(queued->wParam)) {
                return DLGC_WANTMESSAGE | DLGC_WANTCHARS;
            }
            return DLGC_WANTCHARS;
        }
        case WM_KEYDOWN:
            if (!isActivationKey(wParam) || !child.control->design().pressable) break;
            if (child.pressedKey == 0 && child.pressedWith == 0) {
                child.pressedKey = wParam;
                press(child);
            }
            return 0;
        case WM_KEYUP:
            if (child.pressedKey == 0 || wParam != child.pressedKey) break;
            child.pressedKey = 0;
            release(child, true, true);
            return 0;
        case WM_GETOBJECT: {
            // A label is text, or a button when it can be pressed; its caption is its name.
            if (child.control->design().kind != ui::ControlKind::Label) break;
            using Role = AccessibleFacts::Role;
            const AccessibleFacts facts{
                child.control->design().pressable ? Role::PushButton : Role::StaticText, window};
            LRESULT answer = 0;
            if (answerGetObject(window, wParam, lParam, facts, answer)) return answer;
            break;
        }
        case WM_SETFOCUS:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(window, nullptr, FALSE);
            if (child.pressedKey != 0) {
                child.pressedKey = 0;
                release(child, false, false);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace platform::win32::detail
