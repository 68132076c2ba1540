#include "editor/level_format.h"

#include <array>

namespace va48 {

namespace {

// Decimals of a vibration reading by range factor (rows) and range position (columns): the
// fewer digits the full scale has before the point, the more it shows after it.
struct DecimalsRow {
    int factor;
    std::array<int, kVibrationRangeCount> decimals;
};

inline constexpr std::array<DecimalsRow, 4> kVibrationDecimalsTable = {{
    {1000, {1, 1, 0, 0, 0, 0, 0}},
    {100, {2, 2, 1, 1, 0, 0, 0}},
    {10, {3, 3, 2, 2, 1, 1, 0}},
    {1, {4, 4, 3, 3, 2, 2, 1}},
}};

constexpr int kSoundDecimals = 1; // the sound level is kept in tenths of a dB

// `value` with its last `decimals` digits after the point, written from the integer so that no
// rounding or locale can change a digit.
std::string FixedPoint(std::uint32_t value, int decimals) {
    std::string digits = std::to_string(value);
    if (decimals <= 0) {
        return digits;
    }
    const auto places = static_cast<std::size_t>(decimals);
    if (digits.size() <= places) {
        digits.insert(0, places + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - places, 1, '.');
    return digits;
}

} // namespace

std::optional<int> VibrationDecimals(std::uint32_t exponent, std::uint32_t unit,
                                     std::uint32_t range) {
    const std::optional<int> factor = VibrationRangeFactor(exponent, unit);
    if (!factor || range >= kVibrationRangeCount) {
        return std::nullopt;
    }
    for (const DecimalsRow& row : kVibrationDecimalsTable) {
        if (row.factor == *factor) {
            return row.decimals[range];
        }
    }
    return std::nullopt;
}

std::optional<LevelText> FormatLevel(const ChannelSettings& channel) {
    const ChannelReading& reading = channel.reading;
    switch (channel.moduleKind) {
    case kSoundModule:
        return LevelText{FixedPoint(reading.value, kSoundDecimals), kSoundLevelUnit};
    case kVibrationModule: {
        // The reading carries its own scale; the unit shown is the channel's configured one.
        const std::optional<int> decimals =
            VibrationDecimals(reading.readingExp, reading.readingUnit, reading.readingRange);
        if (!decimals) {
            return std::nullopt;
        }
        return LevelText{FixedPoint(reading.value, *decimals),
                         UnitLabelAt(kVibrationLevelUnitTable, channel.deviceSetup.freqWeightUnit)};
    }
    default:
        return std::nullopt;
    }
}

LampUpdate UpdateLamp(std::uint32_t lamp, const ChannelReading& reading) {
    if (reading.lampRed == 1) {
        return {kLampRed, false};
    }
    if (reading.lampCyan == 1) {
        return {kLampCyan, false};
    }
    if (lamp != kLampRed && lamp != kLampCyan) {
        return {kLampNormal, false};
    }
    return {lamp, true};
}

} // namespace va48
