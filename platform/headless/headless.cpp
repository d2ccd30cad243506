// The headless backend: see platform/headless.h.
#include "platform/headless.h"

#include <algorithm>

namespace platform::ui {

// A form's peer draws nothing; it only keeps the backend's list of existing forms.
class HeadlessPeer : public FormPeer {
public:
    HeadlessPeer(HeadlessBackend& backend, Form& form) : backend_(backend), form_(form) {
        backend_.live_.push_back(&form_);
    }
    HeadlessPeer(const HeadlessPeer&) = delete;
    HeadlessPeer& operator=(const HeadlessPeer&) = delete;
    ~HeadlessPeer() override {
        auto& live = backend_.live_;
        live.erase(std::remove(live.begin(), live.end(), &form_), live.end());
    }
    void formChanged() override {}
    void controlChanged(Control&) override {}

private:
    HeadlessBackend& backend_;
    Form& form_;
};

std::unique_ptr<FormPeer> HeadlessBackend::createPeer(Form& form) {
    created_.push_back(form.design().name);
    return std::make_unique<HeadlessPeer>(*this, form);
}

void HeadlessBackend::broadcastDriveChange(const DriveChange& change) {
    if (ended_) return;
    // A copy: a handler may create or unload forms.
    const std::vector<Form*> live = live_;
    for (Form* form : live) {
        if (std::find(live_.begin(), live_.end(), form) != live_.end()) form->drivesChanged(change);
    }
}

void HeadlessBackend::startTimer(const Timer* key, int intervalMs, std::function<void()> fire) {
    if (ended_) return;
    timers_[key] = Scheduled{intervalMs, now_ + intervalMs, nextOrder_++, std::move(fire)};
}

void HeadlessBackend::stopTimer(const Timer* key) { timers_.erase(key); }

Backend::Answer HeadlessBackend::messageBox(const std::wstring& text, const std::wstring& title,
                                            Buttons buttons) {
    messageBoxes_.push_back({text, title, buttons, now_});
    if (onMessageBox) return onMessageBox(messageBoxes_.back());
    return Answer::Ok;
}

void HeadlessBackend::runModal(Form& form, const std::function<bool()>& finished) {
    form.show();
    if (onModal) onModal(form);
    if (!finished()) form.closeRequested();
}

void HeadlessBackend::endProgram() {
    if (onEndProgram && !ended_) onEndProgram();
    ended_ = true;
    timers_.clear();
}

void HeadlessBackend::advance(std::int64_t ms) {
    const std::int64_t target = now_ + ms;
    for (;;) {
        if (ended_) break;
        const Timer* nextKey = nullptr;
        const Scheduled* next = nullptr;
        for (const auto& [key, scheduled] : timers_) {
            if (scheduled.due > target) continue;
            if (!next || scheduled.due < next->due ||
                (scheduled.due == next->due && scheduled.order < next->order)) {
                next = &scheduled;
                nextKey = key;
            }
        }
        if (!next) break;
        now_ = next->due;
        // Re-arm before firing: a handler that restarts or stops its timer overrides this.
        auto fire = next->fire;
        Scheduled& entry = timers_[nextKey];
        entry.due = now_ + entry.interval;
        entry.order = nextOrder_++;
        fire();
    }
    if (!ended_) now_ = std::max(now_, target);
}

}  // namespace platform::ui
