#pragma once

#include "protocol/device_state.h"
#include "protocol/user_filter_text.h"
#include "protocol/value_tables.h"

namespace va48 {

// A device image as a read-all leaves it: sound modules on channels 1 and 2, a vibration module
// on channel 9 with a user low-pass filter in use, the other slots empty.
inline DeviceState SampleDevice() {
    DeviceState device;
    for (const int n : {1, 2, 9}) {
        ChannelSettings& channel = device.channels[static_cast<std::size_t>(n - 1)];
        const bool sound = n != 9;
        channel.moduleKind = sound ? kSoundModule : kVibrationModule;
        ChannelSetup& setup = channel.deviceSetup;
        setup.firstFlag = 1;
        setup.ccld = sound ? 0 : 1;
        setup.timeWeightDetection = 1;
        setup.freqWeightUnit = sound ? 1 : 2;
        setup.hpfMode = 1;
        setup.lpfMode = sound ? 1 : kVibrationOtherFilterMode;
        setup.sensitivity = sound ? 250 : 512;
        setup.sensitivityExp = sound ? 0 : 1;
        setup.rangeIndex = sound ? 2 : 4;
        setup.hpfIndex = -1;
        setup.lpfIndex = sound ? -1 : kUserFilterIndex;
        if (!sound) {
            channel.deviceUserLpf.enabled = 1;
            channel.deviceUserLpf.cutoff = 1575;
            channel.deviceUserLpf.coef = {1, 2, 3, 4, 281474976710655};
        }
        SetHpfCutoffTexts(channel.deviceUserHpf);
        SetLpfCutoffTexts(channel.deviceUserLpf);
        channel.editSetup = setup;
        channel.editUserHpf = channel.deviceUserHpf;
        channel.editUserLpf = channel.deviceUserLpf;
    }
    device.deviceVersion = {'1', '.', '0', '2'};
    return device;
}

} // namespace va48
