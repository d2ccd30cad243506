// The language chooser: seven languages under their own names and Cancel. A choice
// is recorded in the selection file and applied to every window 20 ms later, without
// a restart. Every way of closing the chooser brings the main window back.
#pragma once

#include <string>

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

class Form3 : public platform::ui::Form {
public:
    explicit Form3(LockbayApp& app);

    platform::ui::Control Label1;
    platform::ui::Control Label2;
    platform::ui::Control Label3;
    platform::ui::Control Label4;
    platform::ui::Control Label5;
    platform::ui::Control Label7;
    platform::ui::Control Label6;
    platform::ui::Control Picture3;
    platform::ui::Control Label8;  // Cancel

protected:
    void onLoad() override;
    void onUnload() override;

private:
    void choose(const std::wstring& fileName);

    LockbayApp& app_;
};

}  // namespace lockbay
