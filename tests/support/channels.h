#pragma once

#include "protocol/device_state.h"
#include "protocol/user_filter_text.h"
#include "protocol/value_tables.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// Channels set up the way each page's tests need them: only the fields that page reads are given.

namespace va48::input_setup {

// A channel as the amplifier reported it, device and edit setup alike: connector flags (rear 1,
// charge 2, ccld 4, teds 8) and sensitivity.
inline ChannelSettings Module(std::uint8_t kind, int flags, std::uint16_t sensitivity,
                              std::uint8_t exponent = 0) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    ChannelSetup& setup = channel.deviceSetup;
    setup.rear = flags & 1 ? 1 : 0;
    setup.charge = flags & 2 ? 1 : 0;
    setup.ccld = flags & 4 ? 1 : 0;
    setup.teds = flags & 8 ? 1 : 0;
    setup.sensitivity = sensitivity;
    setup.sensitivityExp = exponent;
    channel.editSetup = setup;
    return channel;
}

inline ChannelSettings Sound(int flags, std::uint16_t sensitivity) {
    return Module(kSoundModule, flags, sensitivity);
}

inline ChannelSettings Vibration(int flags, std::uint16_t sensitivity, std::uint8_t exponent) {
    return Module(kVibrationModule, flags, sensitivity, exponent);
}

} // namespace va48::input_setup

namespace va48::measure_setup {

// The edit setup of a sound channel: weighting F and A, both filters off.
inline ChannelSettings Sound(int sensitivity, int rangeIndex = 0) {
    ChannelSettings channel;
    channel.moduleKind = kSoundModule;
    ChannelSetup& setup = channel.editSetup;
    setup.sensitivity = static_cast<std::uint16_t>(sensitivity);
    setup.rangeIndex = static_cast<std::uint8_t>(rangeIndex);
    setup.freqWeightUnit = 1;
    setup.timeWeightDetection = 1;
    setup.hpfMode = 1;
    setup.lpfMode = 1;
    setup.hpfIndex = -1;
    setup.lpfIndex = -1;
    return channel;
}

inline ChannelSettings Vibration(int exponent, int unit, int rangeIndex = 0) {
    ChannelSettings channel = Sound(500, rangeIndex);
    channel.moduleKind = kVibrationModule;
    channel.editSetup.sensitivityExp = static_cast<std::uint8_t>(exponent);
    channel.editSetup.freqWeightUnit = static_cast<std::uint8_t>(unit);
    return channel;
}

// The channel with the fine filter indexes the user filter page chose, and enabled user filters
// where a cut-off label is given.
inline ChannelSettings Filters(ChannelSettings channel, int hpf, int lpf,
                               const char* userHpf = nullptr, const char* userLpf = nullptr) {
    channel.editSetup.hpfIndex = static_cast<std::int8_t>(hpf);
    channel.editSetup.lpfIndex = static_cast<std::int8_t>(lpf);
    for (auto [filter, label] :
         {std::pair{&channel.editUserHpf, userHpf}, std::pair{&channel.editUserLpf, userLpf}}) {
        if (label) {
            filter->enabled = 1;
            std::strncpy(filter->cutoffLabel.data(), label, filter->cutoffLabel.size() - 1);
        }
    }
    return channel;
}

} // namespace va48::measure_setup

namespace va48::filter_setup {

// The fine filter indexes of the edit setup (-2 user filter, -1 off, 0.. fine row).
inline ChannelSettings Module(std::uint8_t kind, int hpf, int lpf = 0) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    channel.editSetup.hpfIndex = static_cast<std::int8_t>(hpf);
    channel.editSetup.lpfIndex = static_cast<std::int8_t>(lpf);
    return channel;
}

inline ChannelSettings Sound(int hpf, int lpf = 0) {
    return Module(kSoundModule, hpf, lpf);
}

inline ChannelSettings Vibration(int hpf, int lpf = 0) {
    return Module(kVibrationModule, hpf, lpf);
}

// A user HPF enabled with its cut-off in 0.01 Hz, e.g. 300 for "3.00Hz".
inline ChannelSettings WithUserHpf(ChannelSettings channel, std::uint32_t cutoff) {
    channel.editUserHpf.enabled = 1;
    channel.editUserHpf.cutoff = cutoff;
    SetHpfCutoffTexts(channel.editUserHpf);
    return channel;
}

// A user LPF enabled with its cut-off in Hz.
inline ChannelSettings WithUserLpf(ChannelSettings channel, std::uint32_t cutoff) {
    channel.editUserLpf.enabled = 1;
    channel.editUserLpf.cutoff = cutoff;
    SetLpfCutoffTexts(channel.editUserLpf);
    return channel;
}

} // namespace va48::filter_setup

namespace va48::level_setup {

// A channel with a reading: of a sound module (exponent < 0), or of a vibration module whose
// reading has the given scale and whose setup the given unit.
inline ChannelSettings Reading(std::uint32_t value, int exponent = -1, int unit = 0, int range = 0,
                               int configuredUnit = 0) {
    ChannelSettings channel;
    channel.moduleKind = exponent < 0 ? kSoundModule : kVibrationModule;
    channel.lamp = kLampNormal;
    channel.reading.value = value;
    channel.reading.readingExp = static_cast<std::uint8_t>(std::max(exponent, 0));
    channel.reading.readingUnit = static_cast<std::uint8_t>(unit);
    channel.reading.readingRange = static_cast<std::uint8_t>(range);
    channel.deviceSetup.freqWeightUnit = static_cast<std::uint8_t>(configuredUnit);
    return channel;
}

inline ChannelReading Lamps(int red, int cyan) {
    ChannelReading reading;
    reading.lampRed = static_cast<std::uint8_t>(red);
    reading.lampCyan = static_cast<std::uint8_t>(cyan);
    return reading;
}

} // namespace va48::level_setup
