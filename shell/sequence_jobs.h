#pragma once

#include "protocol/command_session.h"
#include "protocol/device_state.h"
#include "protocol/result_code.h"

#include <array>
#include <string>

namespace va48 {

// What each step of the main window's sequences queues: functions from the device image to the
// entries of a job. The main window adds the messages and starts the job. Every builder first
// empties the job. Per-channel entries run over the present channels (a module fitted) 1..16.

bool AnyChannelPresent(const DeviceState& device);

void BuildCalibrationJob(bool signalOn, CommandJob& job);                 // CAL 0 1 / CAL 0 0
void BuildDeviceIndexJob(CommandJob& job);                                // DID?
void BuildSettingsQueryJob(const DeviceState& device, CommandJob& job);   // SET? ch
void BuildUserFilterQueryJob(const DeviceState& device, CommandJob& job); // UHC? ch, ULC? ch
void BuildTedsQueryJob(const DeviceState& device, CommandJob& job);       // TDS? ch
void BuildTedsExecuteJob(const DeviceState& device, CommandJob& job);     // TEC ch
void BuildPollJob(CommandJob& job);                                       // DOD?
void BuildVersionJob(CommandJob& job);                                    // VER?
void BuildLanQueryJob(CommandJob& job);                                   // IPA?
void BuildLanWriteJob(const DeviceLan& lan, CommandJob& job);             // IPA + 12 bytes
void BuildResetJob(CommandJob& job);                                      // RES
void BuildRebootJob(CommandJob& job);                                     // UPD 3
void BuildReplyTestJob(CommandJob& job);                                  // the TST text

// SET for every present channel from its edit setup. Marks in `tedsWatch` (index channel - 1)
// every channel whose new setup selects its TEDS connector.
void BuildSendSettingsJob(const DeviceState& device, std::array<bool, kChannelCount>& tedsWatch,
                          CommandJob& job);

// UHC (or ULC) for every present channel whose edit user filter is marked to be sent.
void BuildSendUserFiltersJob(const DeviceState& device, bool lowPass, CommandJob& job);

// Whether a present channel's edit user high-pass (or low-pass) filter is marked to be sent.
bool UserFiltersToSend(const DeviceState& device, bool lowPass);

// The TEDS evaluation after a TDS round: channels still reading (state 1) are watched and asked
// again; watched channels that failed (state 3) are reported and get a TEC, which ends the watch.
struct TedsEvaluation {
    int pending = 0;                          // channels still at state 1: ask again
    std::array<bool, kChannelCount> failed{}; // reported in this evaluation
};
TedsEvaluation EvaluateTeds(const DeviceState& device, std::array<bool, kChannelCount>& tedsWatch);

// The TEC job for the failed channels of an evaluation; clears their watch as it queues them.
void BuildTedsRetryJob(const TedsEvaluation& evaluation, std::array<bool, kChannelCount>& tedsWatch,
                       CommandJob& job);

// "TEDS Mode failed.", an empty line and one "  No. : n" line per failed channel, in channel order
// (`heading` and `lineFormat` are strings 551 and 552 of the window language).
std::string TedsFailureText(const TedsEvaluation& evaluation, const std::string& heading,
                            const std::string& lineFormat);

// The user-filter check of one channel: a filter menu on its "other" position must name a fine
// filter, or a user filter that is defined. Returns Success, HpfContradiction or
// LpfContradiction, and the log line that goes with a contradiction.
struct UserFilterCheck {
    ResultCode result = ResultCode::Success;
    std::string logLine;
};
UserFilterCheck CheckUserFilter(const ChannelSettings& channel);

// The first of channels 1..16 that fails the check (0 when none does) and its outcome.
struct UserFilterCheckResult {
    int channel = 0;
    UserFilterCheck check;
};
UserFilterCheckResult CheckUserFilters(const DeviceState& device);

} // namespace va48
