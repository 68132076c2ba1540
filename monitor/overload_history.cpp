#include "monitor/overload_history.h"

#include "protocol/value_tables.h"

#include <cstddef>

namespace va48 {

namespace {

bool HasModule(const ChannelSettings& channel) {
    return channel.moduleKind == kSoundModule || channel.moduleKind == kVibrationModule;
}

// Counts a condition that begins on this poll; `wasOn` follows the condition either way.
bool Begins(bool on, bool& wasOn, LampEvents& events, WallClock::time_point at) {
    const bool begins = on && !wasOn;
    wasOn = on;
    if (begins) {
        ++events.count;
        events.last = at;
    }
    return begins;
}

} // namespace

void OverloadHistory::Take(const DeviceState& device, WallClock::time_point at) {
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        const ChannelSettings& channel = device.channels[i];
        const bool present = HasModule(channel);
        const bool red = present && channel.reading.lampRed == 1;
        const bool cyan = present && !red && channel.reading.lampCyan == 1;
        const bool overBegins = Begins(red, overOn_[i], channels_[i].over, at);
        const bool underBegins = Begins(cyan, underOn_[i], channels_[i].under, at);
        if (overBegins || underBegins) {
            ++revision_;
        }
    }
}

void OverloadHistory::Clear() {
    channels_.fill({});
    ++revision_;
}

void OverloadHistory::Reset() {
    channels_.fill({});
    overOn_.fill(false);
    underOn_.fill(false);
    ++revision_;
}

const ChannelOverloads& OverloadHistory::Channel(int channel) const {
    static const ChannelOverloads kNone;
    if (channel < 1 || channel > kChannelCount) {
        return kNone;
    }
    return channels_[static_cast<std::size_t>(channel - 1)];
}

} // namespace va48
