#pragma once

#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <cstdint>
#include <optional>
#include <string>

namespace va48 {

// What the level display shows for one channel: the value text and the unit label, or nothing
// (a channel without a module, or a reading whose scale is outside the tables) shown as "- - -".
struct LevelText {
    std::string value;
    UnitLabel unit;
};
std::optional<LevelText> FormatLevel(const ChannelSettings& channel);

// Decimals of a vibration reading from its exponent, unit and range; nullopt outside the tables.
std::optional<int> VibrationDecimals(std::uint32_t exponent, std::uint32_t unit,
                                     std::uint32_t range);

// The lamp after a poll: red wins over cyan; a red or cyan lamp with both readings clear keeps
// its colour and asks for the one-second hold (holdTimer true).
struct LampUpdate {
    std::uint32_t lamp;
    bool startHoldTimer;
};
LampUpdate UpdateLamp(std::uint32_t lamp, const ChannelReading& reading);

} // namespace va48
