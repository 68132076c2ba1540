#pragma once

#include "monitor/overload_history.h"
#include "protocol/device_state.h"

#include <bitset>
#include <string>

namespace va48 {

// The channels a recording has columns for: those with a sound or vibration module when it began.
using RecordedChannels = std::bitset<kChannelCount>; // bit n - 1 for channel n
RecordedChannels PresentChannels(const DeviceState& device);

// The CSV lines of a level recording (RFC 4180, LF line ends, UTF-8). The first column is the
// poll's local time in ISO 8601 with milliseconds ("2026-12-06T14:03:07.250"); then, for each
// recorded channel, three columns: "No.n level" (the value as the level display shows it, "- - -"
// when it has none), "No.n unit" ("dB", "m/s²", ...; empty with no value) and "No.n lamp"
// ("red", "cyan" or "normal", from the poll's flags, red winning).
std::string RecordHeader(const RecordedChannels& channels); // ends in "\n"
std::string RecordLine(const DeviceState& device, const RecordedChannels& channels,
                       WallClock::time_point at); // ends in "\n"

// `at` in local time as "YYYY-MM-DDThh:mm:ss.mmm".
std::string LocalIsoTime(WallClock::time_point at);

} // namespace va48
