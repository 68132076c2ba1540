#pragma once

#include "monitor/overload_history.h"
#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <chrono>
#include <cstddef>

namespace va48::monitor_setup {

inline constexpr int kSound = 3;     // ranges 80..130 dB, reading on the 100 dB range: 90.5 dB
inline constexpr int kVibration = 9; // m/s2, reading on full scale 10 with one decimal: 5.5

inline ChannelSettings& Channel(DeviceState& device, int n) {
    return device.channels[static_cast<std::size_t>(n - 1)];
}

// A device with a sound and a vibration channel, no lamp on, the other slots empty.
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
    vibration.reading = {.value = 55, .readingExp = 1, .readingRange = 2, .readingUnit = 1};
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
