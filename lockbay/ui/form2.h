// The help window: four topic tabs over one text area, the product and contact
// lines, and the link to the online FAQ. Each opening starts with About selected.
#pragma once

#include "platform/ui.h"

namespace lockbay {

class LockbayApp;

class Form2 : public platform::ui::Form {
public:
    explicit Form2(LockbayApp& app);

    platform::ui::Control Image1;
    platform::ui::Control Picture15;  // About tab
    platform::ui::Control Label16;
    platform::ui::Control Picture1;   // How does it work? tab
    platform::ui::Control Label17;
    platform::ui::Control Picture2;   // How to protect tab
    platform::ui::Control Label18;
    platform::ui::Control Picture3;   // How to restore tab
    platform::ui::Control Label19;
    platform::ui::Control Label10;
    platform::ui::Control Label9;
    platform::ui::Control Label13;
    platform::ui::Control Label8;
    platform::ui::Control Label11;
    platform::ui::Control Label2;
    platform::ui::Control Label12;
    platform::ui::Control Label14;
    platform::ui::Control Label1;
    platform::ui::Control Label3;
    platform::ui::Control Label15;  // FAQ link
    platform::ui::Control Label4;
    platform::ui::Control Label5;
    platform::ui::Control Label6;
    platform::ui::Control Label7;

    enum class Tab { About, HowItWorks, HowToProtect, HowToRestore };
    void selectTab(Tab tab);

protected:
    void onLoad() override;
    void onUnload() override;

private:
    LockbayApp& app_;
};

}  // namespace lockbay
