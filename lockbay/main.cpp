// Lockbay's entry point: the platform layer has built the real services; start with
// the splash window and run the event loop.
#include "lockbay/app/lockbay_app.h"
#include "platform/platform.h"

int platform::programMain(platform::Platform& platform) {
    lockbay::LockbayApp app(platform);
    app.start();
    return platform.ui.run();
}
