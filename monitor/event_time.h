#pragma once

#include "monitor/level_record.h"

#include <string>

namespace va48 {

// When a lamp condition last began, for the history window and the level display's marker: the
// local time "hh:mm:ss.mmm" when it is on the same local date as `now`, else with the date,
// "YYYY-MM-DD hh:mm:ss.mmm".
inline std::string EventTimeText(WallClock::time_point at, WallClock::time_point now) {
    constexpr std::size_t kDateLength = 10; // "YYYY-MM-DD" of LocalIsoTime
    std::string when = LocalIsoTime(at);
    const std::string today = LocalIsoTime(now);
    if (when.size() > kDateLength && when.compare(0, kDateLength, today, 0, kDateLength) == 0) {
        return when.substr(kDateLength + 1);
    }
    if (when.size() > kDateLength) {
        when[kDateLength] = ' ';
    }
    return when;
}

} // namespace va48
