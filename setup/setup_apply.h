#pragma once

#include "protocol/command_code.h"
#include "protocol/device_state.h"
#include "setup/amplifier_setup.h"

#include <optional>
#include <string>
#include <vector>

namespace va48 {

// Bringing a setup onto an amplifier, and checking what the amplifier then reports.

// Refuses a setup for the amplifier in `device` (after a read-all) when a channel's module kind
// differs, naming the first such channel and the field "module". nullopt when it fits.
std::optional<SetupRefusal> CheckAgainstAmplifier(const AmplifierSetup& setup,
                                                  const DeviceState& device);

// Fills the edit copies of every present channel from `setup`, as if the user had entered it:
// editSetup (its TEDS state kept), `edited` where the connector or the sensitivity differ from
// the device copy, and the user filters, each marked to be sent (sendPending 1) only where it
// differs from the amplifier's. The setup must fit the amplifier (CheckAgainstAmplifier).
// Afterwards the sequence steps' send jobs (BuildSendSettingsJob, BuildSendUserFiltersJob) send it.
void LoadIntoEditCopies(const AmplifierSetup& setup, DeviceState& device);

// One request that applying a setup sends.
struct SetupRequest {
    CommandCode command = CommandCode::SET;
    std::uint8_t channel = 0;
    std::string text; // e.g. "SET 3 0 0 0 1 0 2 1 12 12 512 1 4 10 -2"

    friend bool operator==(const SetupRequest&, const SetupRequest&) = default;
};

// What applying `setup` to the amplifier in `device` sends, in order: UHC for every present
// channel whose user high-pass filter differs from the amplifier's, then ULC likewise (so that a
// setup choosing a user filter finds it defined), then SET for every present channel.
std::vector<SetupRequest> ApplyRequests(const AmplifierSetup& setup, const DeviceState& device);

// One field in which a read-back differs from the setup that was applied.
struct SetupDifference {
    int channel = 0;      // 1..16
    std::string field;    // as named in the setup file, e.g. "userLowPass.frequency"
    std::string expected; // the setup's value as the file writes it
    std::string found;    // the read-back's value

    friend bool operator==(const SetupDifference&, const SetupDifference&) = default;
};

// Every field of every channel in which `readBack` differs from `wanted`, in channel and file
// order. A channel on its TEDS connector takes its sensitivity from the sensor, so there the
// sensitivity and its exponent are not compared, and the range by its position in the list only.
std::vector<SetupDifference> CompareSetups(const AmplifierSetup& wanted,
                                           const AmplifierSetup& readBack);

// "channel 3, \"range\": expected \"90\", found \"100\"".
std::string DescribeDifference(const SetupDifference& difference);

} // namespace va48
