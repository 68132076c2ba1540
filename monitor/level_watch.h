#pragma once

#include "monitor/level_recorder.h"
#include "monitor/level_trend.h"
#include "monitor/overload_history.h"

#include <array>
#include <optional>
#include <string_view>
#include <system_error>

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
    // Why the recording stopped by itself, until the window that tells the user takes it.
    std::optional<std::error_code> recordFailure;
};

// Takes one poll's readings, made at `at`, into the overload counts, the trend and the recording.
// A recording that cannot write its line stops, with the reason in recordFailure.
void TakePoll(LevelWatch& watch, const DeviceState& device, WallClock::time_point at);

// Forgets the counts and the trend of the last connection (a new one begins).
void ResetForConnection(LevelWatch& watch);

// Where the settings file keeps the poll period, in milliseconds.
inline constexpr std::string_view kViewSection = "VIEW";
inline constexpr std::string_view kPollPeriodKey = "PollPeriod";

// The settings file's [VIEW] PollPeriod value as a poll period: one of kPollPeriodsMs, the default
// for anything else.
int ParsePollPeriod(std::string_view text);

} // namespace va48
