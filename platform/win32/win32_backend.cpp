// The Win32 backend of the windowing runtime: every form is a top-level window and
// every control a child window with a stable id and its caption as window text.
//
// Labels, picture boxes and images are custom windows that paint themselves: a label is
// transparent, so it first paints what lies under it (its picture box's face and border,
// or the form's background), then its text. Pressing the mouse (or Enter or Space after
// Tab) on a label raises the control's mouse-down, mouse-up and click events; the forms
// turn those into the one-pixel border of the box under the label. The drive list is a
// real LISTBOX. Timers live on one hidden message-only window, so they fire whether or
// not their form's window exists, and keep firing inside a message box's modal loop.
//
// Layout is given at 96 dpi and scaled to the monitor the window is on (per-monitor
// aware): positions, fonts and pictures are rebuilt when the window's DPI changes.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "art.h"
#include "gdi_handles.h"
#include "platform/win32.h"

namespace platform::win32 {

namespace {

using ui::Art;
using ui::Backend;
using ui::Color;
using ui::Control;
using ui::ControlKind;
using ui::Form;
using ui::FormPeer;
using ui::Timer;

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

// ---- DPI ------------------------------------------------------------------------

// Functions of newer Windows versions, looked up at run time so that the program still
// starts (unscaled) where they are missing.
class DpiApi {
public:
    static const DpiApi& get() {
        static const DpiApi api;
        return api;
    }

    // Makes the process per-monitor aware unless its manifest has already decided.
    void becomeAware() const {
        if (setProcessAwareness_) {
            setProcessAwareness_(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        } else {
            SetProcessDPIAware();
        }
    }

    UINT forWindow(HWND window) const {
        if (forWindow_) {
            if (const UINT dpi = forWindow_(window); dpi != 0) return dpi;
        }
        return systemDpi();
    }

    UINT forPrimaryMonitor() const {
        if (forMonitor_) {
            UINT x = 0;
            UINT y = 0;
            const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
            if (SUCCEEDED(forMonitor_(primary, kEffectiveDpi, &x, &y)) && y != 0) return y;
        }
        return systemDpi();
    }

    // The window rectangle for a client rectangle, with the frame sized for `dpi`.
    void adjust(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) const {
        if (adjustForDpi_ && adjustForDpi_(&rect, style, FALSE, exStyle, dpi)) return;
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }

private:
    static constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    using SetProcessAwarenessFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using ForWindowFn = UINT(WINAPI*)(HWND);
    using ForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

    template <typename Function>
    static Function lookUp(HMODULE module, const char* name) {
        if (!module) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    DpiApi() {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        const HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        setProcessAwareness_ = lookUp<SetProcessAwarenessFn>(user32, "SetProcessDpiAwarenessContext");
        forWindow_ = lookUp<ForWindowFn>(user32, "GetDpiForWindow");
        adjustForDpi_ = lookUp<AdjustForDpiFn>(user32, "AdjustWindowRectExForDpi");
        forMonitor_ = lookUp<ForMonitorFn>(shcore, "GetDpiForMonitor");
    }

    static UINT systemDpi() {
        WindowDc screen(nullptr);
        const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
    }

    SetProcessAwarenessFn setProcessAwareness_ = nullptr;
    ForWindowFn forWindow_ = nullptr;
    ForMonitorFn forMonitor_ = nullptr;
    AdjustForDpiFn adjustForDpi_ = nullptr;
};

// The one place where a length at 96 dpi becomes device pixels.
int scaleForDpi(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// A font's height in device pixels (negative: the character height, as LOGFONT wants it).
int fontHeightForDpi(double points, UINT dpi) {
    const int hundredths = static_cast<int>(std::lround(points * 100.0));
    return -MulDiv(hundredths, static_cast<int>(dpi), 72 * 100);
}

// ---- Colours and fonts -------------------------------------------------------------

COLORREF toColorRef(const Color& color) {
    if (color.systemInactiveBorder) return GetSysColor(COLOR_INACTIVEBORDER);
    if (color.systemWindowText) return GetSysColor(COLOR_WINDOWTEXT);
    return RGB(color.r, color.g, color.b);
}

bool sameColor(const Color& a, const Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.systemInactiveBorder == b.systemInactiveBorder &&
           a.systemWindowText == b.systemWindowText;
}

// The face to ask for, and the family the font mapper should fall back to.
struct ResolvedFace {
    std::wstring face;
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
};

// Layouts name faces that may be missing ("Delicious" usually is): a missing fixed-pitch
// face is replaced by another fixed-pitch one, any other by a plain bold-friendly sans.
ResolvedFace resolveFace(const std::wstring& wanted) {
    static std::map<std::wstring, ResolvedFace> resolved;
    if (auto found = resolved.find(wanted); found != resolved.end()) return found->second;

    static const std::vector<std::wstring> kFixedFaces{L"Courier New", L"Consolas", L"Lucida Console",
                                                       L"Courier"};
    static const std::vector<std::wstring> kSansFaces{L"Segoe UI", L"Tahoma", L"Arial"};
    const bool fixed = std::any_of(kFixedFaces.begin(), kFixedFaces.end(), [&](const std::wstring& face) {
        return lstrcmpiW(face.c_str(), wanted.c_str()) == 0;
    });
    ResolvedFace result;
    if (fontFamilyExists(wanted)) {
        result.face = wanted;
    } else {
        const auto& candidates = fixed ? kFixedFaces : kSansFaces;
        auto pick = std::find_if(candidates.begin(), candidates.end(),
                                 [](const std::wstring& face) { return fontFamilyExists(face); });
        // With none of them installed the face stays empty and the mapper picks by family.
        if (pick != candidates.end()) result.face = *pick;
        result.pitchAndFamily =
            fixed ? static_cast<BYTE>(FIXED_PITCH | FF_MODERN) : static_cast<BYTE>(VARIABLE_PITCH | FF_SWISS);
    }
    resolved.emplace(wanted, result);
    return result;
}

// The fonts of one window at its current DPI.
class FontSet {
public:
    explicit FontSet(UINT dpi) : dpi_(dpi) {}

    HFONT get(const ui::Font& font) {
        const auto key = std::make_tuple(font.face, font.points, font.bold, font.italic);
        if (auto found = fonts_.find(key); found != fonts_.end()) return found->second.get();
        const ResolvedFace face = resolveFace(font.face);
        LOGFONTW description{};
        description.lfHeight = fontHeightForDpi(font.points, dpi_);
        description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        description.lfItalic = font.italic ? TRUE : FALSE;
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfOutPrecision = OUT_TT_PRECIS;
        description.lfQuality = CLEARTYPE_QUALITY;
        description.lfPitchAndFamily = face.pitchAndFamily;
        face.face.copy(description.lfFaceName, LF_FACESIZE - 1);
        ScopedFont created(CreateFontIndirectW(&description));
        const HFONT handle = created.get();
        fonts_.emplace(key, std::move(created));
        return handle;
    }

    void setDpi(UINT dpi) {
        dpi_ = dpi;
        fonts_.clear();
    }

private:
    UINT dpi_;
    std::map<std::tuple<std::wstring, double, bool, bool>, ScopedFont> fonts_;
};

// ---- Window classes -----------------------------------------------------------------

constexpr wchar_t kLabelClass[] = L"LockbayLabel";
constexpr wchar_t kPictureClass[] = L"LockbayPicture";
constexpr wchar_t kImageClass[] = L"LockbayImage";
constexpr wchar_t kTimerClass[] = L"LockbayTimers";

// Posted to the timer window when a form is destroyed; see Win32Backend::formDestroyed.
constexpr UINT kCheckForLastForm = WM_APP + 1;
// Posted after a burst of list box changes: drawing resumes once the burst is over.
constexpr UINT kResumeListDrawing = WM_APP + 2;

HINSTANCE thisModule() {
    return GetModuleHandleW(nullptr);
}

// The program's own icon: the first icon group in its resources, if it has one.
struct ProgramIcons {
    HICON large = nullptr;
    HICON small = nullptr;
};

const ProgramIcons& programIcons() {
    static const ProgramIcons icons = [] {
        ProgramIcons found;
        EnumResourceNamesW(
            thisModule(), RT_GROUP_ICON,
            [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
                // The name is only valid during the enumeration: the icons are loaded here.
                auto* icons = reinterpret_cast<ProgramIcons*>(context);
                icons->large =
                    static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
                icons->small =
                    static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&found));
        return found;
    }();
    return icons;
}

void registerClass(const wchar_t* name, WNDPROC procedure, const ProgramIcons& icons = {}) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = thisModule();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = icons.large;
    windowClass.hIconSm = icons.small;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

class Win32Backend;
class FormWindow;

// ---- One control's window -------------------------------------------------------------

struct ChildWindow {
    Control* control = nullptr;
    FormWindow* form = nullptr;
    HWND window = nullptr;

    // What the window shows now, so that a change touches only what differs.
    std::wstring text;
    bool visible = false;
    int border = 0;
    Color backColor;
    std::vector<std::wstring> items;
    int selected = -1;
    bool drawingSuspended = false;  // a list box refill is under way
    ScopedBrush backBrush;  // list box background

    // The font size at which the label's text last fitted, and for what.
    std::wstring fittedText;
    UINT fittedDpi = 0;
    SIZE fittedSize{0, 0};
    double fittedPoints = 0;

    UINT pressedWith = 0;   // the WM_xBUTTONDOWN that pressed it, 0 when not pressed
    WPARAM pressedKey = 0;  // VK_RETURN or VK_SPACE while pressed from the keyboard

    bool isCustom() const { return control->design().kind != ControlKind::ListBox; }
};

// ---- One form's window ----------------------------------------------------------------

class FormWindow : public FormPeer {
public:
    FormWindow(Win32Backend& backend, Form& form);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    ~FormWindow() override;

    void formChanged() override;
    void controlChanged(Control& control) override;

    HWND window() const { return window_; }
    void setKeyboardCues(bool shown);

    static LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    LRESULT onFormMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onChildMessage(ChildWindow& child, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND and WM_CTLCOLORLISTBOX reach the list box's parent: the form or a box.
    bool onParentNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    ChildWindow* createChild(Control& control);
    ChildWindow* find(const Control* control) const;
    ChildWindow* find(HWND window) const;
    HWND parentWindowOf(const Control& control) const;
    RECT scaledRect(const ui::Rect& rect) const;
    int scale(int value) const { return scaleForDpi(value, dpi_); }
    void applyDpi(UINT dpi);
    void syncListBox(ChildWindow& child);
    void applyListBackground(ChildWindow& child);

    void paintForm(HDC dc);
    void paintChild(ChildWindow& child, HDC target);
    // Paints `surface` (a control, or the form when null) into a DC whose origin lies at
    // `origin` in the surface's client coordinates, with what shows through it first.
    void paintSurface(HDC dc, const Control* surface, POINT origin, SIZE size);
    void paintLabelText(HDC dc, ChildWindow& child, SIZE size);
    void paintOverlappingLabels(HDC dc, ChildWindow& child);
    double fittedPoints(ChildWindow& child, HDC dc, SIZE size, UINT format);

    void press(ChildWindow& child);
    void release(ChildWindow& child, bool inside, bool leftButton);

    Win32Backend& backend_;
    Form& form_;
    HWND window_ = nullptr;
    UINT dpi_;
    FontSet fonts_;
    std::vector<std::unique_ptr<ChildWindow>> children_;
    HWND lastFocus_ = nullptr;
    bool keyboardCues_ = false;

    // What the window shows now.
    std::wstring title_;
    bool visible_ = false;
    Color backColor_;
};

// ---- The backend ----------------------------------------------------------------------

class Win32Backend : public Backend {
public:
    Win32Backend();
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;
    ~Win32Backend() override = default;

    std::unique_ptr<FormPeer> createPeer(Form& form) override;
    void startTimer(const Timer* key, int intervalMs, std::function<void()> fire) override;
    void stopTimer(const Timer* key) override;
    Answer messageBox(const std::wstring& text, const std::wstring& title, Buttons buttons) override;
    void pumpEvents() override;
    void endProgram() override;
    int run() override;

    ArtCache& art() { return art_; }
    void formCreated(FormWindow& form) { forms_.push_back(&form); }
    void formDestroyed(FormWindow& form);
    FormWindow* formOf(HWND window) const;

private:
    static LRESULT CALLBACK timerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void onTimer(UINT_PTR id);
    void dispatch(MSG& message);
    void registerFormClass(const std::wstring& className);

    struct ScheduledTimer {
        UINT_PTR id;
        std::function<void()> fire;
    };
    ScopedWindow timerWindow_;
    std::map<const Timer*, ScheduledTimer> timers_;
    std::map<UINT_PTR, const Timer*> timerKeys_;
    UINT_PTR nextTimerId_ = 1;
    std::set<std::wstring> formClasses_;
    std::vector<FormWindow*> forms_;
    ArtCache art_;
};

// ---- FormWindow: creation and changes -------------------------------------------------

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
    }
    return WS_OVERLAPPEDWINDOW;
}

DWORD frameExStyle(ui::Frame frame) {
    return WS_EX_CONTROLPARENT | (frame == ui::Frame::FixedDialog ? WS_EX_DLGMODALFRAME : 0);
}

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
        if (child->isCustom()) SetWindowLongPtrW(child->window, GWLP_USERDATA, 0);
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
    if (items != child.items) {
        const bool appended = items.size() >= child.items.size() &&
                              std::equal(child.items.begin(), child.items.end(), items.begin());
        size_t first = child.items.size();
        if (!appended) {
            SendMessageW(child.window, LB_RESETCONTENT, 0, 0);
            child.selected = -1;
            first = 0;
        }
        for (size_t i = first; i < items.size(); ++i) {
            SendMessageW(child.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
        }
        child.items = items;
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

// ---- FormWindow: painting ---------------------------------------------------------------

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

// ---- FormWindow: input -------------------------------------------------------------------

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

// ---- FormWindow: window procedures ---------------------------------------------------------

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

LRESULT FormWindow::onFormMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (onParentNotification(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_CLOSE:
            // The runtime decides what closing means (unload, or the end of the program).
            form_.closeRequested();
            return 0;
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

bool isActivationKey(WPARAM key) {
    return key == VK_RETURN || key == VK_SPACE;
}

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

// ---- Win32Backend ------------------------------------------------------------------------

Win32Backend::Win32Backend() {
    DpiApi::get().becomeAware();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    registerClass(kLabelClass, &FormWindow::childProcedure);
    registerClass(kPictureClass, &FormWindow::childProcedure);
    registerClass(kImageClass, &FormWindow::childProcedure);
    registerClass(kTimerClass, &Win32Backend::timerProcedure);
    timerWindow_.reset(
        CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, thisModule(), this));
}

void Win32Backend::registerFormClass(const std::wstring& className) {
    if (formClasses_.count(className) != 0) return;
    registerClass(className.c_str(), &FormWindow::formProcedure, programIcons());
    formClasses_.insert(className);
}

std::unique_ptr<FormPeer> Win32Backend::createPeer(Form& form) {
    registerFormClass(std::wstring(L"Lockbay_") + form.design().name);
    return std::make_unique<FormWindow>(*this, form);
}

void Win32Backend::formDestroyed(FormWindow& form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
    // The program ends when its last form has been unloaded, as event-driven forms
    // programs do. The check waits for the running handler to finish, which may load
    // another form right after unloading this one.
    if (forms_.empty() && timerWindow_) PostMessageW(timerWindow_.get(), kCheckForLastForm, 0, 0);
}

FormWindow* Win32Backend::formOf(HWND window) const {
    if (!window) return nullptr;
    const HWND root = GetAncestor(window, GA_ROOT);
    for (FormWindow* form : forms_) {
        if (form->window() == root) return form;
    }
    return nullptr;
}

void Win32Backend::startTimer(const Timer* key, int intervalMs, std::function<void()> fire) {
    auto found = timers_.find(key);
    if (found == timers_.end()) {
        const UINT_PTR id = nextTimerId_++;
        found = timers_.emplace(key, ScheduledTimer{id, nullptr}).first;
        timerKeys_.emplace(id, key);
    }
    found->second.fire = std::move(fire);
    // Setting an existing timer again replaces it: the countdown starts afresh.
    SetTimer(timerWindow_.get(), found->second.id, static_cast<UINT>(std::max(intervalMs, 1)), nullptr);
}

void Win32Backend::stopTimer(const Timer* key) {
    const auto found = timers_.find(key);
    if (found == timers_.end()) return;
    KillTimer(timerWindow_.get(), found->second.id);
    timerKeys_.erase(found->second.id);
    timers_.erase(found);
}

void Win32Backend::onTimer(UINT_PTR id) {
    const auto key = timerKeys_.find(id);
    if (key == timerKeys_.end()) return;
    const auto found = timers_.find(key->second);
    if (found == timers_.end()) return;
    // A copy: the handler may stop or restart this very timer.
    const std::function<void()> fire = found->second.fire;
    if (fire) fire();
}

LRESULT CALLBACK Win32Backend::timerProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) noexcept {
    return exceptionsStopHere(0, [&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_TIMER) {
            self->onTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        }
        if (self && message == kCheckForLastForm) {
            if (self->forms_.empty()) PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

Backend::Answer Win32Backend::messageBox(const std::wstring& text, const std::wstring& title,
                                         Buttons buttons) {
    HWND owner = GetActiveWindow();
    if (!formOf(owner) || !IsWindowVisible(owner)) owner = nullptr;
    UINT type = MB_SETFOREGROUND;
    if (buttons == Buttons::Ok) type |= MB_OK;
    if (buttons == Buttons::RetryCancel) type |= MB_RETRYCANCEL;
    // A question about a drive that carries a virus: Yes (the first button) is the default.
    if (buttons == Buttons::YesNo) type |= MB_YESNO | MB_ICONWARNING;
    if (!owner) type |= MB_TASKMODAL;
    // The box's own modal loop dispatches WM_TIMER to the timer window: timers go on.
    switch (MessageBoxW(owner, text.c_str(), title.c_str(), type)) {
        case IDRETRY:
            return Answer::Retry;
        case IDCANCEL:
            return Answer::Cancel;
        case IDOK:
            return Answer::Ok;
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        default:  // the box could not be shown: the answer that changes nothing
            if (buttons == Buttons::YesNo) return Answer::No;
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

bool isNavigationKey(WPARAM key) {
    return key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

void Win32Backend::dispatch(MSG& message) {
    if (FormWindow* form = formOf(message.hwnd)) {
        // Focus marks appear once the keyboard is used to move between controls.
        if (message.message == WM_KEYDOWN && isNavigationKey(message.wParam)) form->setKeyboardCues(true);
        if (IsDialogMessageW(form->window(), &message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32Backend::pumpEvents() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // left for run() to see
            return;
        }
        dispatch(message);
    }
}

void Win32Backend::endProgram() {
    ExitProcess(0);
}

int Win32Backend::run() {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        dispatch(message);
    }
}

}  // namespace

std::unique_ptr<ui::Backend> makeBackend() {
    return std::make_unique<Win32Backend>();
}

}  // namespace platform::win32
