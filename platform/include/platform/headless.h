// The headless backend: forms without windows, a virtual clock for the timers and
// scripted answers for message boxes. The unit tests drive every window through it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform::ui {

class HeadlessBackend : public Backend {
public:
    struct MessageBoxCall {
        std::wstring text;
        std::wstring title;
        Buttons buttons;
        std::int64_t atMs;
    };

    std::unique_ptr<FormPeer> createPeer(Form& form) override;
    void startTimer(const Timer* key, int intervalMs, std::function<void()> fire) override;
    void stopTimer(const Timer* key) override;
    Answer messageBox(const std::wstring& text, const std::wstring& title, Buttons buttons) override;
    // Shows the form and hands it to onModal, which answers it as the user would; a form
    // left without an answer is closed through its frame.
    void runModal(Form& form, const std::function<bool()>& finished) override;
    void pumpEvents() override {}
    void endProgram() override;
    int run() override { return 0; }

    // Moves the virtual clock forward, firing due timers in time order (timers due at
    // the same moment fire in the order they were started).
    void advance(std::int64_t ms);
    std::int64_t now() const { return now_; }
    bool timerRunning(const Timer* key) const { return timers_.count(key) != 0; }

    // Answers the next message boxes; while it runs, the test may advance the clock
    // to show that other timers keep firing under a modal box. Answers Ok when unset.
    std::function<Answer(const MessageBoxCall&)> onMessageBox;
    const std::vector<MessageBoxCall>& messageBoxes() const { return messageBoxes_; }
    std::function<void(Form&)> onModal;

    bool ended() const { return ended_; }
    // Called when the program ends, to look at what it leaves behind at that moment
    // (a real program runs nothing after that point).
    std::function<void()> onEndProgram;
    // The names of the forms in the order they were created.
    const std::vector<std::wstring>& created() const { return created_; }

    // The system announces a drive change: every form that exists hears it, as the
    // windows of the Win32 backend hear the broadcast.
    void broadcastDriveChange(const DriveChange& change);

private:
    struct Scheduled {
        int interval;
        std::int64_t due;
        std::uint64_t order;
        std::function<void()> fire;
    };
    std::map<const Timer*, Scheduled> timers_;
    std::int64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::vector<MessageBoxCall> messageBoxes_;
    bool ended_ = false;
    std::vector<std::wstring> created_;
    friend class HeadlessPeer;
    std::vector<Form*> live_;  // the forms that exist now, in the order they were created
};

}  // namespace platform::ui
