#pragma once

#include "protocol/device_state.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace va48 {

using WallClock = std::chrono::system_clock;

// How often one lamp condition began, and when it last began.
struct LampEvents {
    std::uint32_t count = 0;
    std::optional<WallClock::time_point> last; // empty while count is 0
    friend bool operator==(const LampEvents&, const LampEvents&) = default;
};

// One channel's overloads: the red lamp condition (over range) and the cyan one (under range).
struct ChannelOverloads {
    LampEvents over;
    LampEvents under;
    friend bool operator==(const ChannelOverloads&, const ChannelOverloads&) = default;
};

// Counts, per channel, how many times each lamp condition began, from the flags of every poll.
// A condition begins on a poll whose flag is 1 after a poll where it was not (the first poll
// after Reset counts too). Red wins over cyan as on the level display: a poll with both flags
// set is an over-range poll only. Channels without a sound or vibration module count nothing.
class OverloadHistory {
  public:
    // Takes the readings of one poll, made at `at`.
    void Take(const DeviceState& device, WallClock::time_point at);

    // Zeroes the counts and times. A condition on at this moment is not counted again until it
    // has ended and begun anew.
    void Clear();

    // Forgets everything, the conditions on included (a new connection).
    void Reset();

    const ChannelOverloads& Channel(int channel) const; // channel 1..16
    // Bumped by every change to a count, so a window can tell whether to draw again.
    std::uint64_t Revision() const { return revision_; }

  private:
    std::array<ChannelOverloads, kChannelCount> channels_{};
    std::array<bool, kChannelCount> overOn_{};
    std::array<bool, kChannelCount> underOn_{};
    std::uint64_t revision_ = 0;
};

} // namespace va48
