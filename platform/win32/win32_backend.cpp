// The Win32 backend of the windowing runtime: it registers the window classes, makes a
// form window for each form, and runs the timers, the message boxes and the message loop.
// Timers live on one hidden message-only window, so they fire whether or not their
// form's window exists, and keep firing inside a message box's modal loop. The program
// ends when its last form has been unloaded.
// clang-format off
#include <windows.h>  // before every other Windows header
// clang-format on

#include "win32_backend.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "form_window.h"
#include "platform/win32.h"
#include "win32_classes.h"
#include "win32_dpi.h"

namespace platform::win32 {

namespace detail {

using ui::Backend;
using ui::Form;
using ui::FormPeer;
using ui::Timer;

Win32Backend::Win32Backend() {
    DpiApi::get().becomeAware();
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

namespace {

bool isNavigationKey(WPARAM key) {
    return key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

}  // namespace

void Win32Backend::dispatch(MSG& message) {
    if (FormWindow* form = formOf(message.hwnd)) {
        // Focus marks appear once the keyboard is used to move between controls.
        if (message.message == WM_KEYDOWN && isNavigationKey(message.wParam)) form->setKeyboardCues(true);
        if (IsDialogMessageW(form->window(), &message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32Backend::runModal(ui::Form& form, const std::function<bool()>& finished) {
    // The other forms take no input while this one is open, as under a message box.
    std::vector<HWND> disabled;
    for (FormWindow* other : forms_) {
        if (&other->form() == &form || !IsWindowEnabled(other->window())) continue;
        EnableWindow(other->window(), FALSE);
        disabled.push_back(other->window());
    }
    form.show();
    for (FormWindow* shown : forms_) {
        if (&shown->form() != &form) continue;
        SetForegroundWindow(shown->window());
        // The keyboard starts on the first control that Tab reaches.
        if (HWND first = GetNextDlgTabItem(shown->window(), nullptr, FALSE)) SetFocus(first);
    }
    MSG message{};
    while (!finished()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // left for run() to see
            break;
        }
        if (got == -1) break;
        dispatch(message);
    }
    for (HWND window : disabled) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
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

}  // namespace detail

std::unique_ptr<ui::Backend> makeBackend() {
    return std::make_unique<detail::Win32Backend>();
}

}  // namespace platform::win32
