// The free-space dialog: an Advanced protection of a drive that is not NTFS and has
// less than 9 MB free asks the user to free some space before the conversion.
#pragma once

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

class frs : public platform::ui::Form {
public:
    explicit frs(LockbayApp& app);

    platform::ui::Control Label1;
    platform::ui::Control Picture3;
    platform::ui::Control Label4;  // Continue
    platform::ui::Control Picture4;
    platform::ui::Control Label2;  // Cancel

    // Closing through the frame acts as Cancel, so the main window never stays hidden.
    void closeRequested() override { cancelClicked(); }

protected:
    void onLoad() override;

private:
    void continueClicked();
    void cancelClicked();

    LockbayApp& app_;
};

}  // namespace lockbay
