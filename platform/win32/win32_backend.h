// The Win32 backend of the windowing runtime: it creates the form windows and owns what
// they share (the timers, the pictures, the message loop).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "art.h"
#include "gdi_handles.h"
#include "platform/ui.h"

namespace platform::win32::detail {

class FormWindow;

class Win32Backend : public ui::Backend {
public:
    Win32Backend();
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;
    ~Win32Backend() override = default;

    std::unique_ptr<ui::FormPeer> createPeer(ui::Form& form) override;
    void startTimer(const ui::Timer* key, int intervalMs, std::function<void()> fire) override;
    void stopTimer(const ui::Timer* key) override;
    Answer messageBox(const std::wstring& text, const std::wstring& title, Buttons buttons) override;
    void runModal(ui::Form& form, const std::function<bool()>& finished) override;
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
    std::map<const ui::Timer*, ScheduledTimer> timers_;
    std::map<UINT_PTR, const ui::Timer*> timerKeys_;
    UINT_PTR nextTimerId_ = 1;
    std::set<std::wstring> formClasses_;
    std::vector<FormWindow*> forms_;
    ArtCache art_;
};

}  // namespace platform::win32::detail
