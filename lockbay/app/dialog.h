// The "Update Available" dialog: starts the updater and ends Lockbay, or goes on to
// the main window.
#pragma once

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

class Dialog : public platform::ui::Form {
public:
    explicit Dialog(LockbayApp& app);

    platform::ui::Control Label1;
    platform::ui::Control Picture3;
    platform::ui::Control Label8;  // Update
    platform::ui::Control Picture4;
    platform::ui::Control Label2;  // Cancel

    // Closing through the frame acts as Cancel, so Lockbay never runs on unseen.
    void closeRequested() override { cancelClicked(); }

protected:
    void onLoad() override;

private:
    void updateClicked();
    void cancelClicked();

    LockbayApp& app_;
};

}  // namespace lockbay
