#include "setup/amplifier_setup.h"

#include "protocol/user_filter_text.h"

#include <cstdio>

namespace va48 {

namespace {

// Only the filter itself; the texts are rebuilt from the cutoff so that two equal filters
// compare equal whatever their texts held before.
UserFilter FilterOf(const UserFilter& from, bool lowPass) {
    UserFilter filter;
    filter.enabled = from.enabled;
    filter.cutoff = from.cutoff;
    filter.coef = from.coef;
    if (lowPass) {
        SetLpfCutoffTexts(filter);
    } else {
        SetHpfCutoffTexts(filter);
    }
    return filter;
}

} // namespace

AmplifierSetup SetupFromDevice(const DeviceState& device, std::string savedAt) {
    AmplifierSetup setup;
    for (std::size_t i = 0; i < device.channels.size(); ++i) {
        const ChannelSettings& from = device.channels[i];
        SetupChannel& channel = setup.channels[i];
        channel.moduleKind = from.moduleKind;
        if (from.moduleKind == kNoModule) {
            continue;
        }
        channel.setup = from.deviceSetup;
        channel.setup.firstFlag = 0;
        channel.setup.tedsState = 0;
        channel.userHpf = FilterOf(from.deviceUserHpf, false);
        channel.userLpf = FilterOf(from.deviceUserLpf, true);
    }
    for (const char c : DeviceVersion(device)) {
        setup.firmwareVersion += c >= 0x20 && c < 0x7F ? c : '?';
    }
    setup.savedAt = std::move(savedAt);
    return setup;
}

std::string UtcTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(floor<seconds>(time - day));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string DescribeRefusal(const SetupRefusal& refusal) {
    std::string text;
    if (refusal.channel != 0) {
        text = "channel " + std::to_string(refusal.channel) + ", ";
    }
    if (refusal.field.empty()) {
        return text + refusal.problem;
    }
    return text + "\"" + refusal.field + "\": " + refusal.problem;
}

} // namespace va48
