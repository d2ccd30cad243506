// The local date and time: see local_time.h. Standard C only: the thread-safe forms of
// localtime differ between the Windows runtime and POSIX.
#include "platform/local_time.h"

#include <ctime>

namespace platform {

LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    if (localtime_s(&parts, &now) != 0) return {};
#else
    if (localtime_r(&now, &parts) == nullptr) return {};
#endif
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

}  // namespace platform
