// lockbay-watch.exe: the notification-area host of the real platform, and the watcher
// that carries out its command line.
#include "platform/platform.h"
#include "platform/win32.h"
#include "watch/core/watcher.h"

int platform::programMain(platform::Platform& p) {
    const auto host = platform::win32::makeTrayHost(watch::kInstanceName);
    watch::Watcher watcher(p, *host);
    return watcher.run();
}
