// The high-resolution clock the benchmark programs time with.
#pragma once

#include <windows.h>

namespace bench {

inline LARGE_INTEGER counterNow() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now;
}

// Seconds from `start` (a counterNow() value) to now; from the counter's zero when
// `start` is left empty.
inline double secondsSince(const LARGE_INTEGER& start) {
    static const double perSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    return static_cast<double>(counterNow().QuadPart - start.QuadPart) / perSecond;
}

}  // namespace bench
