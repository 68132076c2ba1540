#pragma once

#include "sim/module_setup.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace va48sim {

// Levels are simulated relative to the full scale of the channel's measurement range, in 0.1 dB
// (0 = full scale, -200 = 20 dB below it).
//
// Lamp rule: the red lamp lights while the level is above full scale (overload); the cyan lamp
// lights while it is more than 50 dB below full scale (under-range: the range is too coarse for
// the signal), unless the red one is lit.
inline constexpr int kUnderRangeBelow = -500;
// The walk stays between these, so both lamps light now and then but neither stays on.
inline constexpr int kWalkLowest = -540;
inline constexpr int kWalkHighest = 30;
// With the calibration signal on every module measures a steady tone 10 dB below full scale.
inline constexpr int kCalibrationLevel = -100;

inline constexpr std::size_t kReadingFieldCount = 11;

// The eleven DOD fields of one channel for a level: value, aux1..aux4 (0), red lamp, cyan lamp,
// exponent, range position, unit, extra (0). An empty slot gives eleven zeros.
//
// value: sound in 0.1 dB (full scale = lowest range of the sensitivity row + 10 dB per range
// position); vibration in the display's counts, whose decimal point the client places from
// exponent, unit and range, so full scale reads 100 or 300 (or 1000.. for the largest ranges).
std::array<std::int64_t, kReadingFieldCount> ReadingFields(ModuleKind kind,
                                                           const ChannelSetup& setup, int level);

// Full scale of a sound channel in whole dB (70..160).
int SoundFullScaleDb(const ChannelSetup& setup);

// Full scale of a vibration channel in the display's counts (100, 300, 1000, 3000 or 10000).
std::int64_t VibrationFullScaleCounts(const ChannelSetup& setup);

// A deterministic pseudo-random walk of the sixteen channels' levels: the same seed gives the same
// levels on every machine. A channel may be pinned to a fixed level instead.
class LevelWalk {
  public:
    explicit LevelWalk(std::uint32_t seed);

    // Moves every channel's walk one step of at most 3 dB; called once per DOD poll.
    void Step();

    // Level of channel index 0..15 (pinned or walking).
    int Level(int index) const;

    // Pins channel index 0..15 to `level` (0.1 dB re full scale), or lets it walk again (nullopt).
    void Pin(int index, std::optional<int> level);

  private:
    std::mt19937 random_;
    std::array<int, kChannelCount> walk_{};
    std::array<std::optional<int>, kChannelCount> pinned_{};
};

} // namespace va48sim
