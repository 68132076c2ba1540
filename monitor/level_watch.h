#pragma once

#include "monitor/level_recorder.h"
#include "monitor/level_trend.h"
#include "monitor/overload_history.h"

#include <array>
#include <string_view>

namespace va48 {

// Poll periods the user can choose; the first is the default.
inline constexpr std::array<int, 3> kPollPeriodsMs = {1000, 500, 200};

// What the program keeps of the levels beyond the last poll: the overload counts, the trend and
// the recording. Owned by the program, fed on the window thread after every poll.
struct LevelWatch {
    OverloadHistory overloads;
    LevelTrend trend;
    LevelRecorder recorder;
    int pollPeriodMs = kPollPeriodsMs[0];
};

// The settings file's [VIEW] PollPeriod value as a poll period: one of kPollPeriodsMs, the default
// for anything else.
int ParsePollPeriod(std::string_view text);

} // namespace va48
