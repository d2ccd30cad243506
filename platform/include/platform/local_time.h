// The date and time on the machine's clock, in its time zone: for names and texts that
// a person reads, such as the folder of a quarantine.
#pragma once

namespace platform {

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime localTimeNow();

}  // namespace platform
