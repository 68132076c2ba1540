#include "sim/levels.h"

#include <algorithm>
#include <cmath>

namespace va48sim {

namespace {

// Full scale of the vibration range positions in hundredths of the factor's unit.
constexpr std::array<std::int64_t, 7> kRangeStepHundredths = {1, 3, 10, 30, 100, 300, 1000};
// Range factor by exponent (row) and unit m/s2, mm/s, mm (column).
constexpr std::array<std::array<std::int64_t, 3>, 3> kRangeFactors = {{
    {1000, 1000, 100},
    {100, 100, 10},
    {10, 10, 1},
}};

// Number of decimals the client shows for a factor and range position: two per decade of the
// factor plus the position, then four decimals for codes 0-1 down to none from code 8 on.
int Decimals(std::int64_t factor, int range) {
    int decades = 0;
    for (std::int64_t f = factor; f >= 10; f /= 10) {
        ++decades;
    }
    const int code = 2 * decades + range;
    return code >= 8 ? 0 : 4 - code / 2;
}

} // namespace

int SoundFullScaleDb(const ChannelSetup& setup) {
    const int row = std::clamp((setup.sensitivity - 100) / 100, 0, 4);
    return 70 + 10 * row + 10 * std::clamp(setup.rangeIndex, 0, 5);
}

std::int64_t VibrationFullScaleCounts(const ChannelSetup& setup) {
    const int exponent = std::clamp(setup.sensitivityExp, 0, 2);
    const int unit = std::clamp(setup.freqWeightUnit, 1, 3);
    const int range = std::clamp(setup.rangeIndex, 0, 6);
    const std::int64_t factor = kRangeFactors[exponent][unit - 1];
    std::int64_t counts = factor * kRangeStepHundredths[range];
    for (int d = Decimals(factor, range); d > 0; --d) {
        counts *= 10;
    }
    return counts / 100;
}

std::array<std::int64_t, kReadingFieldCount> ReadingFields(ModuleKind kind,
                                                           const ChannelSetup& setup, int level) {
    std::array<std::int64_t, kReadingFieldCount> fields{};
    if (kind == ModuleKind::None) {
        return fields;
    }
    const bool red = level > 0;
    const bool cyan = !red && level < kUnderRangeBelow;
    if (kind == ModuleKind::Sound) {
        fields[0] = std::max(0, SoundFullScaleDb(setup) * 10 + level);
        fields[7] = 0;
        fields[9] = 0;
    } else {
        const double counts =
            static_cast<double>(VibrationFullScaleCounts(setup)) * std::pow(10.0, level / 200.0);
        fields[0] = std::llround(counts);
        fields[7] = setup.sensitivityExp;
        fields[9] = setup.freqWeightUnit;
    }
    fields[5] = red ? 1 : 0;
    fields[6] = cyan ? 1 : 0;
    fields[8] = setup.rangeIndex;
    return fields;
}

LevelWalk::LevelWalk(std::uint32_t seed) : random_(seed) {
    for (int& level : walk_) {
        level = -200 + static_cast<int>(random_() % 201) - 100;
    }
}

void LevelWalk::Step() {
    for (int& level : walk_) {
        level += static_cast<int>(random_() % 61) - 30;
        // Reflect at the edges so the walk neither sticks to nor leaves its band.
        if (level > kWalkHighest) {
            level = 2 * kWalkHighest - level;
        } else if (level < kWalkLowest) {
            level = 2 * kWalkLowest - level;
        }
    }
}

int LevelWalk::Level(int index) const {
    const auto i = static_cast<std::size_t>(index);
    return pinned_[i] ? *pinned_[i] : walk_[i];
}

void LevelWalk::Pin(int index, std::optional<int> level) {
    pinned_[static_cast<std::size_t>(index)] = level;
}

} // namespace va48sim
