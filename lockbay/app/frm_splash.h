// The splash window, Lockbay's first window: applies the language, shows the version,
// asks the update host for the newest version and, 300 ms later, hands over to the
// main window or to the update dialog. Then it unloads for good.
#pragma once

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

class frmSplash : public platform::ui::Form {
public:
    explicit frmSplash(LockbayApp& app);

    platform::ui::Control imgLogo;
    platform::ui::Control lblPlatform;
    platform::ui::Control lblVersion;
    platform::ui::Control lblCompany;
    platform::ui::Timer Timer1;  // then the main window
    platform::ui::Timer Timer2;  // then the update dialog
    platform::ui::Timer Timer3;  // in the pause: the main window made ready, hidden

    // The version answer is a few bytes; anything longer is not a version. The host is
    // asked for no more, and no more is read.
    static constexpr std::size_t kVersionAnswerLimit = 64;
    // The whole check takes at most this long: each wait on the network is bounded by the
    // HTTP time-outs, but a server sending a byte now and then would keep the splash up
    // for minutes.
    static constexpr int kVersionCheckLimitMs = 15000;
    // The main window is made ready this long after the splash shows (its paint first).
    static constexpr int kPrepareDelayMs = 10;

    // A close request (Alt+F4) is ignored: the splash unloads itself when it hands over.
    // Unloaded during the check, it would be loaded again, nested, by its own timer, with
    // a second language load and a second check; unloaded while it waits for its timer, no
    // window would follow.
    void closeRequested() override {}

protected:
    void onLoad() override;

private:
    bool updateAvailable();

    LockbayApp& app_;
};

}  // namespace lockbay
