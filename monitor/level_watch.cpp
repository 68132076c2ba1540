#include "monitor/level_watch.h"

#include <string>

namespace va48 {

int ParsePollPeriod(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return kPollPeriodsMs[0];
    }
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    for (const int period : kPollPeriodsMs) {
        if (text == std::to_string(period)) {
            return period;
        }
    }
    return kPollPeriodsMs[0];
}

void TakePoll(LevelWatch& watch, const DeviceState& device, WallClock::time_point at) {
    watch.overloads.Take(device, at);
    watch.trend.Take(device, at);
    std::error_code why;
    if (!watch.recorder.Write(device, at, why)) {
        watch.recordFailure = why;
    }
}

void ResetForConnection(LevelWatch& watch) {
    watch.overloads.Reset();
    watch.trend.Clear();
    watch.recordFailure.reset();
}

} // namespace va48
