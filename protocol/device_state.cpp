#include "protocol/device_state.h"

#include "protocol/value_tables.h"

namespace va48 {

ChannelSettings* GetChannel(DeviceState& state, int /*device*/, int channel) {
    if (channel < 1 || channel > kChannelCount) {
        return nullptr;
    }
    return &state.channels[static_cast<std::size_t>(channel - 1)];
}

const ChannelSettings* GetChannel(const DeviceState& state, int device, int channel) {
    return GetChannel(const_cast<DeviceState&>(state), device, channel);
}

int ConnectorFlags(const ChannelSetup& setup) {
    return (setup.rear ? 1 : 0) | (setup.charge ? 2 : 0) | (setup.ccld ? 4 : 0) |
           (setup.teds ? 8 : 0);
}

std::uint32_t TedsInput(const ChannelSettings& channel) {
    const int flags = ConnectorFlags(channel.editSetup);
    return (channel.moduleKind == kSoundModule && flags == 13) ||
                   (channel.moduleKind == kVibrationModule && flags == 12)
               ? 1
               : 0;
}

std::uint32_t SensitivityUnit(const ChannelSettings& channel) {
    const int flags = ConnectorFlags(channel.editSetup);
    if (channel.moduleKind == kSoundModule) {
        return (flags == 0 || flags == 5 || flags == 13) ? 1 : 0;
    }
    if (channel.moduleKind == kVibrationModule) {
        if (flags == 2) {
            return 1;
        }
        return (flags == 1 || flags == 4 || flags == 12) ? 2 : 0;
    }
    return 0;
}

std::string_view DeviceVersion(const DeviceState& state) {
    return TextOf(state.deviceVersion);
}

} // namespace va48
