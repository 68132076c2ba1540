#pragma once

#include "monitor/overload_history.h"
#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <chrono>
#include <cstddef>

namespace va48::monitor_setup {

inline constexpr int kSound = 3;     // sound module, ranges 80..130 dB, reading on 100 dB
inline constexpr int kVibration = 9; // vibration module in m/s2, reading on full scale 10

inline ChannelSettings& Channel(DeviceState& device, int n) {
    return device.channels[static_cast<std::size_t>(n - 1)];
}

// A device with a sound and a vibration channel, levels 90.5 dB and 5.5 m/s2, no lamp on.
inline DeviceState TwoChannels() {
    DeviceState device;
    ChannelSettings& sound = Channel(device, kSound);
    sound.moduleKind = kSoundModule;
    sound.deviceSetup.sensitivity = 250;
    sound.reading.value = 905;
    sound.reading.readingRange = 2;
    ChannelSettings& vibration = Channel(device, kVibration);
    vibration.moduleKind = kVibrationModule;
    vibration.deviceSetup.freqWeightUnit = 1;
    vibration.reading.value = 55;
    vibration.reading.readingExp = 1; // factor 100
    vibration.reading.readingUnit = 1;
    vibration.reading.readingRange = 2; // step 0.1: full scale 10, one decimal
    return device;
}

inline void SetLamps(DeviceState& device, int n, int red, int cyan) {
    Channel(device, n).reading.lampRed = static_cast<std::uint8_t>(red);
    Channel(device, n).reading.lampCyan = static_cast<std::uint8_t>(cyan);
}

// Poll k of a session, 200 ms apart.
inline WallClock::time_point PollTime(int k) {
    return WallClock::time_point(std::chrono::hours(24 * 365 * 56)) +
           std::chrono::milliseconds(200 * k);
}

} // namespace va48::monitor_setup
