#include "setup/setup_apply.h"

#include "protocol/frame.h"
#include "protocol/request_builders.h"
#include "protocol/value_tables.h"
#include "setup/setup_json.h"

#include <algorithm>
#include <array>

namespace va48 {

namespace {

bool SameFilter(const UserFilter& a, const UserFilter& b) {
    // A filter that is off is sent as zeros whatever it holds: two such filters are the same.
    if (a.enabled != 1 && b.enabled != 1) {
        return a.enabled == b.enabled;
    }
    return a.enabled == b.enabled && a.cutoff == b.cutoff && a.coef == b.coef;
}

void LoadFilter(const UserFilter& wanted, const UserFilter& device, UserFilter& edit) {
    edit = wanted;
    edit.sendPending = SameFilter(wanted, device) ? 0 : 1;
}

bool OnTedsConnector(const SetupChannel& channel) {
    const int flags = ConnectorFlags(channel.setup);
    return (channel.moduleKind == kSoundModule && flags == 13) ||
           (channel.moduleKind == kVibrationModule && flags == 12);
}

// Fields that a channel on its TEDS connector takes from the sensor.
bool FromSensor(const std::string& name) {
    return name == "sensitivity" || name == "sensitivityExponent" || name == "range";
}

// Fields of a user filter that is off: only "enabled" says anything.
bool IdleFilterField(const SetupChannel& wanted, const std::string& name) {
    for (const auto& [prefix, filter] : {std::pair{"userHighPass.", &wanted.userHpf},
                                         std::pair{"userLowPass.", &wanted.userLpf}}) {
        if (name.starts_with(prefix) && filter->enabled != 1) {
            return name != std::string(prefix) + "enabled";
        }
    }
    return false;
}

} // namespace

std::optional<SetupRefusal> CheckAgainstAmplifier(const AmplifierSetup& setup,
                                                  const DeviceState& device) {
    static constexpr std::array<std::string_view, 3> kNames = {"none", "sound", "vibration"};
    for (int n = 1; n <= kChannelCount; ++n) {
        const std::uint8_t wanted = setup.channels[static_cast<std::size_t>(n - 1)].moduleKind;
        const std::uint8_t present = device.channels[static_cast<std::size_t>(n - 1)].moduleKind;
        if (wanted != present) {
            const auto name = [](std::uint8_t kind) {
                return std::string(kind < kNames.size() ? kNames[kind] : "unknown");
            };
            return SetupRefusal{n, "module",
                                "the setup is for \"" + name(wanted) + "\", the amplifier has \"" +
                                    name(present) + "\" in this slot"};
        }
    }
    return std::nullopt;
}

void LoadIntoEditCopies(const AmplifierSetup& setup, DeviceState& device) {
    for (std::size_t i = 0; i < device.channels.size(); ++i) {
        ChannelSettings& channel = device.channels[i];
        const SetupChannel& wanted = setup.channels[i];
        if (channel.moduleKind == kNoModule || channel.moduleKind != wanted.moduleKind) {
            continue;
        }
        ChannelSetup edit = wanted.setup;
        edit.firstFlag = channel.editSetup.firstFlag;
        edit.tedsState = channel.editSetup.tedsState;
        if (ConnectorFlags(edit) != ConnectorFlags(channel.deviceSetup) ||
            edit.sensitivity != channel.deviceSetup.sensitivity ||
            edit.sensitivityExp != channel.deviceSetup.sensitivityExp) {
            channel.edited = 1;
        }
        channel.editSetup = edit;
        channel.tedsInput = TedsInput(channel);
        channel.rangeUnselected = 0;
        LoadFilter(wanted.userHpf, channel.deviceUserHpf, channel.editUserHpf);
        LoadFilter(wanted.userLpf, channel.deviceUserLpf, channel.editUserLpf);
    }
}

std::vector<SetupRequest> ApplyRequests(const AmplifierSetup& setup, const DeviceState& device) {
    DeviceState loaded = device;
    LoadIntoEditCopies(setup, loaded);
    std::vector<SetupRequest> requests;
    std::array<char, kRequestTextSize> text{};
    for (const bool lowPass : {false, true}) {
        for (int n = 1; n <= kChannelCount; ++n) {
            const ChannelSettings& channel = loaded.channels[static_cast<std::size_t>(n - 1)];
            const UserFilter& filter = lowPass ? channel.editUserLpf : channel.editUserHpf;
            if (channel.moduleKind != kNoModule && filter.sendPending == 1 &&
                BuildUserFilter(lowPass ? 1 : 0, static_cast<std::uint8_t>(n), filter, text) > 0) {
                requests.push_back({lowPass ? CommandCode::ULC : CommandCode::UHC,
                                    static_cast<std::uint8_t>(n), text.data()});
            }
        }
    }
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings& channel = loaded.channels[static_cast<std::size_t>(n - 1)];
        if (channel.moduleKind != kNoModule &&
            BuildSetup(static_cast<std::uint8_t>(n), channel, text) > 0) {
            requests.push_back({CommandCode::SET, static_cast<std::uint8_t>(n), text.data()});
        }
    }
    return requests;
}

std::vector<SetupDifference> CompareSetups(const AmplifierSetup& wanted,
                                           const AmplifierSetup& readBack) {
    std::vector<SetupDifference> differences;
    for (int n = 1; n <= kChannelCount; ++n) {
        const SetupChannel& want = wanted.channels[static_cast<std::size_t>(n - 1)];
        const SetupChannel& got = readBack.channels[static_cast<std::size_t>(n - 1)];
        const std::vector<SetupField> expected = ChannelFields(want, n);
        const std::vector<SetupField> found = ChannelFields(got, n);
        const bool teds = OnTedsConnector(want);
        for (const SetupField& field : expected) {
            if ((teds && FromSensor(field.name)) || IdleFilterField(want, field.name)) {
                continue;
            }
            const auto it = std::find_if(found.begin(), found.end(),
                                         [&](const SetupField& f) { return f.name == field.name; });
            const std::string value = it == found.end() ? "(none)" : it->value;
            if (value != field.value) {
                differences.push_back({n, field.name, field.value, value});
            }
        }
        if (teds && want.moduleKind == got.moduleKind &&
            want.setup.rangeIndex != got.setup.rangeIndex) {
            differences.push_back({n, "range", "position " + std::to_string(want.setup.rangeIndex),
                                   "position " + std::to_string(got.setup.rangeIndex)});
        }
    }
    return differences;
}

std::string DescribeDifference(const SetupDifference& difference) {
    return "channel " + std::to_string(difference.channel) + ", \"" + difference.field +
           "\": expected " + difference.expected + ", found " + difference.found;
}

} // namespace va48
