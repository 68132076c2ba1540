#pragma once

#include "monitor/overload_history.h"
#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace va48 {

// A channel's level as a number in the unit the level display shows (dB, m/s², mm/s, mm);
// nullopt when the display shows "- - -".
std::optional<double> LevelValue(const ChannelSettings& channel);

// The top of the channel's present measurement range in the same unit (sound: the range's dB;
// vibration: factor x step of the reading's range); nullopt when the reading's scale is outside
// the tables.
std::optional<double> FullScale(const ChannelSettings& channel);

// How far a bar meter reaches: 0 at the bottom of the scale, 1 at full scale, above 1 past it
// (capped at kBarOverReach). Linear units run from 0 to full scale; dB levels from
// kBarDbSpan below full scale to full scale. nullopt when the channel shows no level.
inline constexpr double kBarDbSpan = 60.0;
inline constexpr double kBarOverReach = 1.1;
std::optional<double> BarReach(const ChannelSettings& channel);

// The level display's unit of a channel as plain UTF-8 text ("dB", "m/s²"); empty with no module.
std::string UnitText(const ChannelSettings& channel);

// A unit label as plain UTF-8 text: its raised digits (and + or -) become superscript characters
// ("m/s2" with the 2 raised: "m/s²"); other raised characters stay as they are.
std::string UnitLabelText(const UnitLabel& label);

// One poll's levels.
struct TrendSample {
    WallClock::time_point at;
    std::array<std::optional<float>, kChannelCount> levels; // element n - 1 for channel n
};

// The levels of every poll of the session, oldest first, for the trend window. Holds at most
// kMaxSamples polls (the oldest go first), which is more than 12 hours at the fastest poll period.
class LevelTrend {
  public:
    static constexpr std::size_t kMaxSamples = 250'000;

    void Take(const DeviceState& device, WallClock::time_point at);
    void Clear();

    const std::deque<TrendSample>& Samples() const { return samples_; }
    // The unit of each channel at the last poll ("" without a level).
    const std::string& Unit(int channel) const;          // channel 1..16
    std::uint64_t Revision() const { return revision_; } // bumped by every Take and Clear

  private:
    std::deque<TrendSample> samples_;
    std::array<std::string, kChannelCount> units_;
    std::uint64_t revision_ = 0;
};

} // namespace va48
