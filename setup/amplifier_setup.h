#pragma once

#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace va48 {

// The whole setup of an amplifier as a user keeps it in a file: per channel the module kind, the
// measurement setup and the two user filters, plus the firmware version and when it was saved.
// No Qt: the viewer, the command-line tool and the tests share it.

// One channel. The values are held as the device image holds them; a setup never carries the
// device's first flag or a TEDS state (both stay 0).
struct SetupChannel {
    std::uint8_t moduleKind = kNoModule; // kNoModule, kSoundModule or kVibrationModule
    ChannelSetup setup;
    // enabled, cutoff and coef are the filter; its texts and cutoffUnit follow from the cutoff
    // (SetHpfCutoffTexts / SetLpfCutoffTexts); sendPending is always 0.
    UserFilter userHpf;
    UserFilter userLpf;

    friend bool operator==(const SetupChannel&, const SetupChannel&) = default;
};

struct AmplifierSetup {
    std::array<SetupChannel, kChannelCount> channels{}; // channel n is element n - 1
    std::string firmwareVersion; // the amplifier's version text: printable ASCII, at most 7
    std::string savedAt;         // UTC, "YYYY-MM-DDTHH:MM:SSZ"

    friend bool operator==(const AmplifierSetup&, const AmplifierSetup&) = default;
};

// The setup the device image holds after a read-all: the device copies (as last read) of every
// channel. Characters of the version text outside printable ASCII become '?', so that the file
// stays plain text.
AmplifierSetup SetupFromDevice(const DeviceState& device, std::string savedAt);

// `time` as "YYYY-MM-DDTHH:MM:SSZ" (UTC, whole seconds).
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

// Why a setup is refused: the channel (1..16; 0 for the document as a whole), the field's name
// as it stands in the file ("userHighPass.frequency" for a field of a user filter) and what is
// wrong with it.
struct SetupRefusal {
    int channel = 0;
    std::string field;
    std::string problem;

    friend bool operator==(const SetupRefusal&, const SetupRefusal&) = default;
};

// "channel 3, \"connector\": ..." or "\"version\": ..." for the document.
std::string DescribeRefusal(const SetupRefusal& refusal);

} // namespace va48
