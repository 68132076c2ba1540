// levels: the DOD poll, one line per poll, the levels as the viewer's level display shows them.
#include "ctl/commands.h"

#include "editor/level_format.h"
#include "setup/amplifier_setup.h"
#include "shell/sequence_jobs.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace va48 {

namespace {

using Clock = std::chrono::steady_clock;

// Marks after a level: the red lamp (above the range's full scale) and the cyan lamp (far below
// it), as the level display colours them.
constexpr char kOverMark = '!';
constexpr char kUnderMark = '_';

// "2026-12-06T17:30:01.123Z".
std::string TimeWithMilliseconds(std::chrono::system_clock::time_point now) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - seconds).count();
    std::string text = UtcTimestamp(seconds);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(ms));
    return text.insert(text.size() - 1, fraction);
}

// The level unit the channel's setup gives, known before the first poll.
std::string_view UnitOf(const ChannelSettings& channel) {
    switch (channel.moduleKind) {
    case kSoundModule:
        return kSoundLevelUnit.text;
    case kVibrationModule:
        return UnitLabelAt(kVibrationLevelUnitTable, channel.deviceSetup.freqWeightUnit).text;
    default:
        return {};
    }
}

// The channel's level with its unit (text) or without (CSV, where the header names the unit).
std::string Cell(const ChannelSettings& channel, bool withUnit) {
    const std::optional<LevelText> level = FormatLevel(channel);
    if (!level) {
        return "- - -";
    }
    std::string text = level->value + (withUnit ? std::string(level->unit.text) : "");
    if (channel.reading.lampRed == 1) {
        text += kOverMark;
    } else if (channel.reading.lampCyan == 1) {
        text += kUnderMark;
    }
    return text;
}

void PrintHeader(const DeviceState& device) {
    std::string line = "time";
    for (int n = 1; n <= kChannelCount; ++n) {
        const std::string_view unit = UnitOf(device.channels[static_cast<std::size_t>(n - 1)]);
        line += ",No." + std::to_string(n);
        if (!unit.empty()) {
            line += " (" + std::string(unit) + ")";
        }
    }
    std::printf("%s\n", line.c_str());
}

void PrintLine(const DeviceState& device, bool csv) {
    std::string line = TimeWithMilliseconds(std::chrono::system_clock::now());
    for (const ChannelSettings& channel : device.channels) {
        const std::string cell = Cell(channel, !csv);
        if (csv) {
            line += "," + cell;
        } else {
            line += std::string(cell.size() < 11 ? 12 - cell.size() : 1, ' ') + cell;
        }
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Waits until `until`, or less when a stop is asked for.
void PauseUntil(Clock::time_point until) {
    while (!StopRequested() && Clock::now() < until) {
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
    }
}

} // namespace

ExitStatus RunLevels(LinkTarget& target, const LevelOptions& options) {
    AmplifierLink link(target);
    if (auto failed = Open(link)) {
        return *failed;
    }
    // Which module sits where, and each vibration channel's unit.
    CommandJob job;
    BuildDeviceIndexJob(job);
    if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }
    if (!AnyChannelPresent(link.Device())) {
        return Fail(Outcome{ResultCode::NoDevice});
    }
    BuildSettingsQueryJob(link.Device(), job);
    if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }

    InstallStopHandler();
    if (options.csv) {
        PrintHeader(link.Device());
    }
    for (int poll = 0; options.count == 0 || poll < options.count; ++poll) {
        const Clock::time_point started = Clock::now();
        BuildPollJob(job);
        if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
            return Fail(Outcome{code});
        }
        PrintLine(link.Device(), options.csv);
        if (StopRequested() || poll + 1 == options.count) {
            break;
        }
        PauseUntil(started + std::chrono::milliseconds(options.intervalMs));
        if (StopRequested()) {
            break;
        }
    }
    return ExitStatus::Success;
}

} // namespace va48
