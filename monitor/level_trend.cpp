#include "monitor/level_trend.h"

#include "editor/level_format.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace va48 {

namespace {

// The superscript form of a character as UTF-8, or empty when it has none.
std::string_view Superscript(char c) {
    static constexpr std::array<std::string_view, 10> kDigits = {
        "\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
        "\u2075", "\u2076", "\u2077", "\u2078", "\u2079",
    };
    if (c >= '0' && c <= '9') {
        return kDigits[static_cast<std::size_t>(c - '0')];
    }
    if (c == '+') {
        return "\u207A";
    }
    if (c == '-') {
        return "\u207B";
    }
    return {};
}

} // namespace

std::string UnitLabelText(const UnitLabel& label) {
    const std::string_view text = label.text;
    if (label.superscript == 0) {
        return std::string(text);
    }
    // The table's positions are trusted no further than the text reaches.
    const std::size_t end = std::min<std::size_t>(label.superEnd, text.size());
    const std::size_t start = std::min<std::size_t>(label.superStart, end);
    std::string out(text.substr(0, start));
    for (const char c : text.substr(start, end - start)) {
        const std::string_view raised = Superscript(c);
        if (raised.empty()) {
            out += c;
        } else {
            out += raised;
        }
    }
    out += text.substr(end);
    return out;
}

std::string UnitText(const ChannelSettings& channel) {
    switch (channel.moduleKind) {
    case kSoundModule:
        return UnitLabelText(kSoundLevelUnit);
    case kVibrationModule:
        return UnitLabelText(
            UnitLabelAt(kVibrationLevelUnitTable, channel.deviceSetup.freqWeightUnit));
    default:
        return {};
    }
}

std::optional<double> LevelValue(const ChannelSettings& channel) {
    const ChannelReading& reading = channel.reading;
    switch (channel.moduleKind) {
    case kSoundModule:
        return reading.value * kSoundLevelScale;
    case kVibrationModule: {
        const std::optional<int> decimals =
            VibrationDecimals(reading.readingExp, reading.readingUnit, reading.readingRange);
        if (!decimals) {
            return std::nullopt;
        }
        return reading.value / std::pow(10.0, *decimals);
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> FullScale(const ChannelSettings& channel) {
    const ChannelReading& reading = channel.reading;
    switch (channel.moduleKind) {
    case kSoundModule:
        // The sound reading carries its range position; the row of ranges follows the sensor's
        // sensitivity as the amplifier reported it.
        if (const std::optional<int> db =
                SoundRangeDb(channel.deviceSetup.sensitivity, reading.readingRange)) {
            return *db;
        }
        return std::nullopt;
    case kVibrationModule:
        return VibrationRangeValue(reading.readingExp, reading.readingUnit, reading.readingRange);
    default:
        return std::nullopt;
    }
}

std::optional<double> BarReach(const ChannelSettings& channel) {
    const std::optional<double> level = LevelValue(channel);
    const std::optional<double> full = FullScale(channel);
    if (!level || !full || *full <= 0.0) {
        return std::nullopt;
    }
    const double reach = channel.moduleKind == kSoundModule
                             ? (*level - (*full - kBarDbSpan)) / kBarDbSpan
                             : *level / *full;
    return std::clamp(reach, 0.0, kBarOverReach);
}

void LevelTrend::Take(const DeviceState& device, WallClock::time_point at) {
    TrendSample sample{at, {}};
    for (std::size_t i = 0; i < device.channels.size(); ++i) {
        const ChannelSettings& channel = device.channels[i];
        const std::optional<double> level = LevelValue(channel);
        if (level) {
            sample.levels[i] = static_cast<float>(*level);
            units_[i] = UnitText(channel);
        } else {
            units_[i].clear();
        }
    }
    samples_.push_back(sample);
    while (samples_.size() > kMaxSamples) {
        samples_.pop_front();
    }
    ++revision_;
}

void LevelTrend::Clear() {
    samples_.clear();
    for (std::string& unit : units_) {
        unit.clear();
    }
    ++revision_;
}

const std::string& LevelTrend::Unit(int channel) const {
    static const std::string kNone;
    if (channel < 1 || channel > kChannelCount) {
        return kNone;
    }
    return units_[static_cast<std::size_t>(channel - 1)];
}

} // namespace va48
