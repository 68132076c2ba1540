#include "monitor/level_record.h"

#include "editor/level_format.h"
#include "monitor/level_trend.h"
#include "protocol/value_tables.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <ctime>

// No field of a recording can hold a comma, a quote or a line break (times, digits, the level
// tables' unit labels and fixed words), so none needs quoting.

namespace va48 {

namespace {

bool HasModule(const ChannelSettings& channel) {
    return channel.moduleKind == kSoundModule || channel.moduleKind == kVibrationModule;
}

std::string_view LampWord(const ChannelReading& reading) {
    if (reading.lampRed == 1) {
        return "red";
    }
    if (reading.lampCyan == 1) {
        return "cyan";
    }
    return "normal";
}

bool ToLocal(std::time_t seconds, std::tm& local) {
#ifdef _WIN32
    return localtime_s(&local, &seconds) == 0;
#else
    return localtime_r(&seconds, &local) != nullptr;
#endif
}

} // namespace

RecordedChannels PresentChannels(const DeviceState& device) {
    RecordedChannels channels;
    for (std::size_t i = 0; i < device.channels.size(); ++i) {
        channels[i] = HasModule(device.channels[i]);
    }
    return channels;
}

std::string LocalIsoTime(WallClock::time_point at) {
    using namespace std::chrono;
    // Rounded down, both parts: 14:03:07.9996 is still second 07, never ".1000".
    const auto ms = floor<milliseconds>(at);
    const auto seconds = floor<std::chrono::seconds>(ms);
    const auto fraction = (ms - seconds).count();
    std::tm local{};
    if (!ToLocal(static_cast<std::time_t>(seconds.time_since_epoch().count()), local)) {
        return "0000-00-00T00:00:00.000";
    }
    std::array<char, 96> text{}; // room for any int in every field
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<int>(fraction));
    return text.data();
}

std::string RecordHeader(const RecordedChannels& channels) {
    std::string line = "Time";
    for (int n = 1; n <= kChannelCount; ++n) {
        if (!channels[static_cast<std::size_t>(n - 1)]) {
            continue;
        }
        const std::string name = "No." + std::to_string(n);
        line += "," + name + " level," + name + " unit," + name + " lamp";
    }
    line += '\n';
    return line;
}

std::string RecordLine(const DeviceState& device, const RecordedChannels& channels,
                       WallClock::time_point at) {
    std::string line = LocalIsoTime(at);
    for (std::size_t i = 0; i < device.channels.size(); ++i) {
        if (!channels[i]) {
            continue;
        }
        const ChannelSettings& channel = device.channels[i];
        const std::optional<LevelText> level = FormatLevel(channel);
        line += ',';
        line += level ? level->value : std::string(kNoValueText);
        line += ',';
        line += level ? UnitLabelText(level->unit) : std::string();
        line += ',';
        // A module that went away leaves no lamp to speak of.
        line += HasModule(channel) ? LampWord(channel.reading) : "normal";
    }
    line += '\n';
    return line;
}

} // namespace va48
