// One form's window: creating it and its controls' windows, following the runtime's
// changes to the form and its controls, and the window procedures of both. Painting is
// in form_painting.cpp, the controls' mouse and keyboard messages in form_input.cpp.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <commctrl.h>
#include <dbt.h>
// clang-format on

#include "form_window.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>

#include "win32_accessibility.h"
#include "win32_backend.h"
#include "win32_classes.h"
#include "win32_library.h"

namespace platform::win32::detail {

using ui::Control;
using ui::ControlKind;
using ui::Form;

// ---- Creation and changes -------------------------------------------------------------

namespace {

DWORD frameStyle(ui::Frame frame) {
    switch (frame) {
        case ui::Frame::FixedSingle:
            return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        case ui::Frame::FixedDialog:
            return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        case ui::Frame::Sizable:
            return WS_OVERLAPPEDWINDOW;
        case ui::Frame::None:
            return WS_POPUP;
        case ui::Frame::FixedDialogNoTitle:
            // A dialog frame without WS_CAPTION: the raised border, and no title bar.
            return WS_POPUP | WS_DLGFRAME;
    }
    return WS_OVERLAPPEDWINDOW;
}

DWORD frameExStyle(ui::Frame frame) {
    const bool dialogFrame = frame == ui::Frame::FixedDialog || frame == ui::Frame::FixedDialogNoTitle;
    return WS_EX_CONTROLPARENT | (dialogFrame ? WS_EX_DLGMODALFRAME : 0);
}

// The common controls are set up when the first list box is made, not at start-up: a
// program without one (the updater) never loads their library. By name, so that the
// manifest's version 6 is found through the activation context; otherwise only the
// system folder is searched, never the working folder.
void useCommonControls() {
    static const bool ready = [] {
        const auto initialize = bindFunction<decltype(&InitCommonControlsEx)>(systemLibrary(L"comctl32.dll"),
                                                                              "InitCommonControlsEx");
        if (!initialize) return false;
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        return initialize(&controls) != FALSE;
    }();
    static_cast<void>(ready);
}

}  // namespace

FormWindow::FormWindow(Win32Backend& backend, Form& form)
    : backend_(backend),
      form_(form),
      dpi_(DpiApi::get().forPrimaryMonitor()),
      fonts_(dpi_),
      backColor_(form.backColor()) {
    const auto& design = form.design();
    const DWORD style = frameStyle(design.frame) | WS_CLIPCHILDREN;
    const DWORD exStyle = frameExStyle(design.frame);
    RECT frame{0, 0, scale(design.clientWidth), scale(design.clientHeight)};
    DpiApi::get().adjust(frame, style, exStyle, dpi_);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;

    title_ = form.title();
    const std::wstring className = std::wstring(L"Lockbay_") + design.name;
    CreateWindowExW(exStyle, className.c_str(), title_.c_str(), style, x, y, width, height, nullptr, nullptr,
                    thisModule(), this);
    if (!window_) return;
    backend_.formCreated(*this);

    // The window may have come up on a monitor of another DPI than the primary one.
    if (const UINT actual = DpiApi::get().forWindow(window_); actual != dpi_) {
        RECT resized{0, 0, scaleForDpi(design.clientWidth, actual), scaleForDpi(design.clientHeight, actual)};
        DpiApi::get().adjust(resized, style, exStyle, actual);
        SetWindowPos(window_, nullptr, 0, 0, resized.right - resized.left, resized.bottom - resized.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        dpi_ = actual;
        fonts_.setDpi(actual);
    }

    for (Control* control : form.controls()) createChild(*control);
    // Labels and images lie on their parent's surface, under the boxes and lists beside
    // them, as in the classic forms, and every image under every label, so that a caption
    // reaching over a picture stays readable. Among themselves they keep the order of
    // the layout table (and so the Tab order).
    for (const ControlKind layer : {ControlKind::Label, ControlKind::Image}) {
        for (const auto& child : children_) {
            if (child->control->design().kind != layer) continue;
            SetWindowPos(child->window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

FormWindow::~FormWindow() {
    if (!window_) return;
    backend_.formDestroyed(*this);
    // Messages sent while the windows go away must not reach this half-destroyed object.
    for (const auto& child : children_) {
        if (child->listBoxProcedure) {
            SetWindowLongPtrW(child->window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(child->listBoxProcedure));
        }
        SetWindowLongPtrW(child->window, GWLP_USERDATA, 0);
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

HWND FormWindow::parentWindowOf(const Control& control) const {
    if (control.parent()) {
        if (const ChildWindow* parent = find(control.parent())) return parent->window;
    }
    return window_;
}

RECT FormWindow::scaledRect(const ui::Rect& rect) const {
    return {scale(rect.x), scale(rect.y), scale(rect.x + rect.width), scale(rect.y + rect.height)};
}

ChildWindow* FormWindow::createChild(Control& control) {
    if (ChildWindow* existing = find(&control)) return existing;
    // A parent is created before the controls that lie on it.
    if (control.parent() && control.parent() != &control) createChild(*control.parent());

    const auto& design = control.design();
    auto child = std::make_unique<ChildWindow>();
    child->control = &control;
    child->form = this;
    child->text = control.text();
    child->visible = control.visible();
    child->border = control.border();
    child->backColor = control.backColor();

    DWORD style =
        WS_CHILD | WS_CLIPSIBLINGS | (child->visible ? WS_VISIBLE : 0) | (design.pressable ? WS_TABSTOP : 0);
    DWORD exStyle = 0;
    const wchar_t* className = kLabelClass;
    switch (design.kind) {
        case ControlKind::Label:
            className = kLabelClass;
            break;
        case ControlKind::Picture:
            className = kPictureClass;
            style |= WS_CLIPCHILDREN;
            break;
        case ControlKind::Image:
            className = kImageClass;
            style |= WS_CLIPCHILDREN;
            break;
        case ControlKind::ListBox:
            useCommonControls();
            className = WC_LISTBOXW;
            style |= WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
    }
    // Tab reaches the controls that lie on a box; a box without any is a stop of its own.
    const auto& all = form_.controls();
    if (std::any_of(all.begin(), all.end(),
                    [&](const Control* other) { return other->parent() == &control; })) {
        exStyle |= WS_EX_CONTROLPARENT;
    }
    const RECT rect = scaledRect(design.rect);
    ChildWindow* raw = child.get();
    children_.push_back(std::move(child));
    raw->window =
        CreateWindowExW(exStyle, className, raw->text.c_str(), style, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, parentWindowOf(control),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id())), thisModule(), raw);
    if (!raw->window) {
        children_.pop_back();
        return nullptr;
    }
    if (design.kind == ControlKind::ListBox) {
        // Not SetWindowSubclass: that looks its data up in a window property on every
        // message, which under Wine is a trip to the server for each line added.
        SetWindowLongPtrW(raw->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(raw));
        raw->listBoxProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            raw->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::listProcedure)));
        SendMessageW(raw->window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.get(design.font)), FALSE);
        applyListBackground(*raw);
        syncListBox(*raw);
    }
    return raw;
}

ChildWindow* FormWindow::find(const Control* control) const {
    for (const auto& child : children_) {
        if (child->control == control) return child.get();
    }
    return nullptr;
}

ChildWindow* FormWindow::find(HWND window) const {
    for (const auto& child : children_) {
        if (child->window == window) return child.get();
    }
    return nullptr;
}

ChildWindow* FormWindow::findByName(const wchar_t* name) const {
    for (const auto& child : children_) {
        if (std::wcscmp(child->control->name(), name) == 0) return child.get();
    }
    return nullptr;
}

void FormWindow::formChanged() {
    if (!window_) return;
    if (form_.title() != title_) {
        title_ = form_.title();
        SetWindowTextW(window_, title_.c_str());
    }
    if (!sameColor(form_.backColor(), backColor_)) {
        backColor_ = form_.backColor();
        // Transparent labels show the form's colour too.
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    if (form_.visible() != visible_) {
        visible_ = form_.visible();
        if (visible_) {
            ShowWindow(window_, SW_SHOW);
            // A process's first ShowWindow takes the show state its starter asked for (the
            // update dialog starts the updater hidden); the second call is obeyed.
            if (!IsWindowVisible(window_) || IsIconic(window_)) ShowWindow(window_, SW_SHOWNORMAL);
            SetForegroundWindow(window_);
        } else {
            ShowWindow(window_, SW_HIDE);
        }
    }
}

void FormWindow::controlChanged(Control& control) {
    ChildWindow* child = find(&control);
    if (!child) return;
    bool textChanged = false;
    if (control.text() != child->text) {
        textChanged = true;
        child->text = control.text();
        SetWindowTextW(child->window, child->text.c_str());  // a custom control repaints itself
    }
    if (control.border() != child->border) {
        child->border = control.border();
        // The labels on a box paint its border as part of what lies under them.
        RedrawWindow(child->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    if (!sameColor(control.backColor(), child->backColor)) {
        child->backColor = control.backColor();
        if (!child->isCustom()) applyListBackground(*child);
    }
    if (!child->isCustom()) {
        // A list is refilled one line at a time; drawing each step costs far more than
        // the drives' own checks, so the list draws once, when the refill is done.
        if (!child->drawingSuspended) {
            child->drawingSuspended = true;
            SendMessageW(child->window, WM_SETREDRAW, FALSE, 0);
            PostMessageW(window_, kResumeListDrawing, 0, 0);
        }
        syncListBox(*child);
    }
    if (control.visible() != child->visible) {
        child->visible = control.visible();
        ShowWindow(child->window, child->visible ? SW_SHOWNA : SW_HIDE);
        textChanged = true;
    }
    if (textChanged && control.design().kind == ControlKind::Label) {
        // Overlapping labels draw each other's text: repaint everything under this one.
        RECT area{};
        GetWindowRect(child->window, &area);
        const HWND parent = GetParent(child->window);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

void FormWindow::syncListBox(ChildWindow& child) {
    const auto* list = dynamic_cast<const ui::ListBox*>(child.control);
    if (!list) return;
    const auto& items = list->items();
    // Lines are added one at a time: each change adds only the new ones, so that a list of
    // many thousand lines fills in time linear in its length.
    const bool appended = list->revision() == child.itemsRevision && items.size() >= child.itemCount;
    if (!appended || items.size() != child.itemCount) {
        size_t first = child.itemCount;
        if (!appended) {
            SendMessageW(child.window, LB_RESETCONTENT, 0, 0);
            child.selected = -1;
            first = 0;
        }
        for (size_t i = first; i < items.size(); ++i) {
            SendMessageW(child.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
        }
        child.itemCount = items.size();
        child.itemsRevision = list->revision();
    }
    if (list->selectedIndex() != child.selected) {
        child.selected = list->selectedIndex();
        SendMessageW(child.window, LB_SETCURSEL, static_cast<WPARAM>(child.selected), 0);
    }
}

void FormWindow::applyListBackground(ChildWindow& child) {
    child.backBrush.reset(CreateSolidBrush(toColorRef(child.backColor)));
    InvalidateRect(child.window, nullptr, TRUE);
}

void FormWindow::setKeyboardCues(bool shown) {
    if (keyboardCues_ == shown) return;
    keyboardCues_ = shown;
    if (ChildWindow* focused = find(GetFocus())) InvalidateRect(focused->window, nullptr, FALSE);
}

void FormWindow::applyDpi(UINT dpi) {
    dpi_ = dpi;
    fonts_.setDpi(dpi);
    for (const auto& child : children_) {
        const RECT rect = scaledRect(child->control->design().rect);
        SetWindowPos(child->window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!child->isCustom()) {
            SendMessageW(child->window, WM_SETFONT,
                         reinterpret_cast<WPARAM>(fonts_.get(child->control->design().font)), FALSE);
        }
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

// ---- Window procedures ---------------------------------------------------------------------

LRESULT CALLBACK FormWindow::formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return exceptionsStopHere(0, [&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            return self->onFormMessage(message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

// The custom controls' procedure; their messages are handled by onChildMessage, in
// form_input.cpp.
LRESULT CALLBACK FormWindow::childProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
    return exceptionsStopHere(0, [&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            auto* child = static_cast<ChildWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            child->window = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(child));
        }
        if (auto* child = reinterpret_cast<ChildWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            return child->form->onChildMessage(*child, message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

namespace {

// The drive letters of a volume arrival or removal, as Windows broadcasts it to every
// top-level window; nothing for the other device notifications.
std::optional<ui::DriveChange> driveChangeOf(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return std::nullopt;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME) return std::nullopt;
    const DWORD mask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header)->dbcv_unitmask;
    ui::DriveChange change;
    change.kind =
        event == DBT_DEVICEARRIVAL ? ui::DriveChange::Kind::Arrived : ui::DriveChange::Kind::Removed;
    for (int i = 0; i < 26; ++i) {
        if (mask & (DWORD{1} << i)) change.drives.push_back(static_cast<wchar_t>(L'A' + i));
    }
    return change;
}

}  // namespace

// A list box answers screen readers with the standard description of a list and its
// lines, named by the text of its heading.
LRESULT CALLBACK FormWindow::listProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return exceptionsStopHere(0, [&]() -> LRESULT {
        auto* list = reinterpret_cast<ChildWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_GETOBJECT && list) {
            const wchar_t* heading = list->control->design().labelledBy;
            const ChildWindow* named = heading ? list->form->findByName(heading) : nullptr;
            LRESULT answer = 0;
            if (named &&
                answerGetObject(window, wParam, lParam,
                                AccessibleFacts{AccessibleFacts::Role::Standard, named->window}, answer)) {
                return answer;
            }
        }
        // The form hands the list box its own procedure back before it lets go of it.
        return list ? CallWindowProcW(list->listBoxProcedure, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
    });
}

LRESULT FormWindow::onFormMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (onParentNotification(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_DEVICECHANGE:
            if (const auto change = driveChangeOf(wParam, lParam)) form_.drivesChanged(*change);
            return TRUE;
        case WM_CLOSE:
            // The runtime decides what closing means (unload, or the end of the program).
            form_.closeRequested();
            return 0;
        case WM_COMMAND:
            // Escape, as the dialog manager reports it.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
                form_.cancelRequested();
                return 0;
            }
            return DefWindowProcW(window_, message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        case kResumeListDrawing:
            for (const auto& child : children_) {
                if (!child->drawingSuspended) continue;
                child->drawingSuspended = false;
                SendMessageW(child->window, WM_SETREDRAW, TRUE, 0);
                RedrawWindow(child->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            }
            return 0;
        case WM_SYSCOLORCHANGE:
            // Some labels are drawn in system colours.
            RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            return 0;
        case WM_PAINT: {
            PaintDc paint(window_);
            paintForm(paint.get());
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) lastFocus_ = focus;
                return 0;
            }
            if (lastFocus_ && IsWindow(lastFocus_) && IsChild(window_, lastFocus_) &&
                IsWindowVisible(lastFocus_)) {
                SetFocus(lastFocus_);
            } else {
                SetFocus(window_);
            }
            return 0;
        case WM_GETDPISCALEDSIZE: {
            const UINT dpi = static_cast<UINT>(wParam);
            RECT frame{0, 0, scaleForDpi(form_.design().clientWidth, dpi),
                       scaleForDpi(form_.design().clientHeight, dpi)};
            DpiApi::get().adjust(frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                                 static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)), dpi);
            auto* size = reinterpret_cast<SIZE*>(lParam);
            size->cx = frame.right - frame.left;
            size->cy = frame.bottom - frame.top;
            return TRUE;
        }
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            applyDpi(HIWORD(wParam));
            return 0;
        }
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace platform::win32::detail
