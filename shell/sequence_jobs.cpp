#include "shell/sequence_jobs.h"

#include "protocol/request_builders.h"
#include "protocol/value_tables.h"

#include <cstdio>
#include <optional>

namespace va48 {

namespace {

using Text = std::array<char, kRequestTextSize>;

void Clear(CommandJob& job) {
    job.count = 0;
}

void Add(CommandJob& job, const Text& text, CommandCode command, std::uint8_t expectsData,
         std::uint8_t channel) {
    job.Add(text.data(), command, expectsData, channel);
}

void AddQuery(CommandJob& job, CommandCode command, std::uint8_t channel) {
    Text text{};
    BuildQuery(command, channel, text);
    Add(job, text, command, 1, channel);
}

// Calls `each` with every present channel number and its record, in ascending order.
template <typename Each>
void ForPresentChannels(const DeviceState& device, Each each) {
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings& channel = device.channels[static_cast<std::size_t>(n - 1)];
        if (channel.moduleKind != kNoModule) {
            each(static_cast<std::uint8_t>(n), channel);
        }
    }
}

void BuildPerChannelQueries(const DeviceState& device, CommandCode command, CommandJob& job) {
    Clear(job);
    ForPresentChannels(device,
                       [&](std::uint8_t n, const ChannelSettings&) { AddQuery(job, command, n); });
}

std::string Format(const char* format, int a, int b, int c) {
    char line[128];
    std::snprintf(line, sizeof line, format, a, b, c);
    return line;
}

} // namespace

bool AnyChannelPresent(const DeviceState& device) {
    for (const ChannelSettings& channel : device.channels) {
        if (channel.moduleKind != kNoModule) {
            return true;
        }
    }
    return false;
}

void BuildCalibrationJob(bool signalOn, CommandJob& job) {
    Clear(job);
    Text text{};
    BuildCalibration(0, signalOn ? 1 : 0, text);
    Add(job, text, CommandCode::CAL, 0, 0);
}

void BuildDeviceIndexJob(CommandJob& job) {
    Clear(job);
    AddQuery(job, CommandCode::DID, 0);
}

void BuildSettingsQueryJob(const DeviceState& device, CommandJob& job) {
    BuildPerChannelQueries(device, CommandCode::SET, job);
}

void BuildUserFilterQueryJob(const DeviceState& device, CommandJob& job) {
    Clear(job);
    ForPresentChannels(device, [&](std::uint8_t n, const ChannelSettings&) {
        AddQuery(job, CommandCode::UHC, n);
        AddQuery(job, CommandCode::ULC, n);
    });
}

void BuildTedsQueryJob(const DeviceState& device, CommandJob& job) {
    BuildPerChannelQueries(device, CommandCode::TDS, job);
}

void BuildTedsExecuteJob(const DeviceState& device, CommandJob& job) {
    Clear(job);
    ForPresentChannels(device, [&](std::uint8_t n, const ChannelSettings&) {
        Text text{};
        BuildTedsExecute(n, text);
        Add(job, text, CommandCode::TEC, 0, n);
    });
}

void BuildPollJob(CommandJob& job) {
    Clear(job);
    AddQuery(job, CommandCode::DOD, 0);
}

void BuildVersionJob(CommandJob& job) {
    Clear(job);
    AddQuery(job, CommandCode::VER, 0);
}

void BuildLanQueryJob(CommandJob& job) {
    Clear(job);
    AddQuery(job, CommandCode::IPA, 0);
}

void BuildLanWriteJob(const DeviceLan& lan, CommandJob& job) {
    Clear(job);
    Text text{};
    BuildLanSetting(lan, text);
    Add(job, text, CommandCode::IPA, 0, 0);
}

void BuildResetJob(CommandJob& job) {
    Clear(job);
    job.Add(CommandName(CommandCode::RES), CommandCode::RES, 0, 0);
}

void BuildRebootJob(CommandJob& job) {
    Clear(job);
    Text text{};
    BuildUpdate(3, {}, 0, text);
    Add(job, text, CommandCode::UPD, 0, 0);
}

void BuildReplyTestJob(CommandJob& job) {
    Clear(job);
    job.Add(kTestText, CommandCode::TST, 1, 0);
}

void BuildSendSettingsJob(const DeviceState& device, std::array<bool, kChannelCount>& tedsWatch,
                          CommandJob& job) {
    Clear(job);
    ForPresentChannels(device, [&](std::uint8_t n, const ChannelSettings& channel) {
        Text text{};
        BuildSetup(n, channel, text);
        Add(job, text, CommandCode::SET, 0, n);
        if (TedsInput(channel)) {
            tedsWatch[n - 1] = true;
        }
    });
}

void BuildSendUserFiltersJob(const DeviceState& device, bool lowPass, CommandJob& job) {
    Clear(job);
    ForPresentChannels(device, [&](std::uint8_t n, const ChannelSettings& channel) {
        const UserFilter& filter = lowPass ? channel.editUserLpf : channel.editUserHpf;
        if (filter.sendPending == 1) {
            Text text{};
            BuildUserFilter(lowPass ? 1 : 0, n, filter, text);
            Add(job, text, lowPass ? CommandCode::ULC : CommandCode::UHC, 0, n);
        }
    });
}

bool UserFiltersToSend(const DeviceState& device, bool lowPass) {
    bool any = false;
    ForPresentChannels(device, [&](std::uint8_t, const ChannelSettings& channel) {
        any = any || (lowPass ? channel.editUserLpf : channel.editUserHpf).sendPending == 1;
    });
    return any;
}

TedsEvaluation EvaluateTeds(const DeviceState& device, std::array<bool, kChannelCount>& tedsWatch) {
    TedsEvaluation evaluation;
    ForPresentChannels(device, [&](std::uint8_t n, const ChannelSettings& channel) {
        const std::uint16_t state = channel.deviceSetup.tedsState;
        if (state == 1) {
            tedsWatch[n - 1] = true;
            ++evaluation.pending;
        }
        if (state == 3 && tedsWatch[n - 1]) {
            evaluation.failed[n - 1] = true;
        }
    });
    return evaluation;
}

void BuildTedsRetryJob(const TedsEvaluation& evaluation, std::array<bool, kChannelCount>& tedsWatch,
                       CommandJob& job) {
    Clear(job);
    for (int n = 1; n <= kChannelCount; ++n) {
        if (evaluation.failed[static_cast<std::size_t>(n - 1)]) {
            Text text{};
            BuildTedsExecute(static_cast<std::uint8_t>(n), text);
            Add(job, text, CommandCode::TEC, 0, static_cast<std::uint8_t>(n));
            tedsWatch[static_cast<std::size_t>(n - 1)] = false;
        }
    }
}

std::string TedsFailureText(const TedsEvaluation& evaluation, const std::string& heading,
                            const std::string& lineFormat) {
    std::string text = heading + "\n";
    for (int n = 1; n <= kChannelCount; ++n) {
        if (evaluation.failed[static_cast<std::size_t>(n - 1)]) {
            // The line is text of the string table: only its "%d" is filled in.
            const std::size_t at = lineFormat.find("%d");
            if (at == std::string::npos) {
                text += lineFormat;
            } else {
                text += lineFormat.substr(0, at);
                text += std::to_string(n);
                text += lineFormat.substr(at + 2);
            }
        }
    }
    return text;
}

namespace {

// One filter of a channel: its menu on the "other" position must name a fine filter, or a user
// filter that is defined. The log line carries the menu position, the index and the user
// filter's defined flag (0 whenever the index names the undefined user filter).
std::optional<UserFilterCheck> CheckFilter(int other, std::uint8_t mode, std::int8_t index,
                                           std::uint8_t userEnabled, ResultCode contradiction,
                                           const char* logFormat) {
    const bool off = index == kFilterOffIndex;
    const bool undefinedUser = index == kUserFilterIndex && userEnabled == 0;
    if (mode != other || !(off || undefinedUser)) {
        return std::nullopt;
    }
    return UserFilterCheck{contradiction, Format(logFormat, mode, index, userEnabled)};
}

} // namespace

UserFilterCheck CheckUserFilter(const ChannelSettings& channel) {
    const int other =
        channel.moduleKind == kSoundModule ? kSoundOtherFilterMode : kVibrationOtherFilterMode;
    const ChannelSetup& setup = channel.deviceSetup;
    if (auto hpf = CheckFilter(other, setup.hpfMode, setup.hpfIndex, channel.deviceUserHpf.enabled,
                               ResultCode::HpfContradiction,
                               "HPF Setting Illigal Value ( HPF=%d UHF=%d UHC Set=%d )\n")) {
        return *hpf;
    }
    if (auto lpf = CheckFilter(other, setup.lpfMode, setup.lpfIndex, channel.deviceUserLpf.enabled,
                               ResultCode::LpfContradiction,
                               "LPF Setting Illigal Value ( LPF=%d ULF=%d ULC Set=%d )\n")) {
        return *lpf;
    }
    return {};
}

UserFilterCheckResult CheckUserFilters(const DeviceState& device) {
    for (int n = 1; n <= kChannelCount; ++n) {
        const UserFilterCheck check =
            CheckUserFilter(device.channels[static_cast<std::size_t>(n - 1)]);
        if (check.result != ResultCode::Success) {
            return {n, check};
        }
    }
    return {};
}

} // namespace va48
