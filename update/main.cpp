// update.exe: opens the updater's window and runs until the setup program has been
// started or the user closes the window.
#include "platform/platform.h"
#include "update/core/updater_form.h"

int platform::programMain(platform::Platform& p) {
    update::UpdaterForm form(p);
    form.show();
    return p.ui.run();
}
