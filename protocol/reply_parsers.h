#pragma once

#include "protocol/device_state.h"
#include "protocol/frame.h"
#include "protocol/result_code.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace va48 {

// A reply handler checks one positive reply and stores its fields into the device image.
// Returns Success, or the command's "Illegal data" code when the field count is wrong, or its
// "Illegal value" code at the first bad value. TDS, SET, IPA, VER, UHC and ULC store nothing on
// failure; DID and DOD keep what they stored for the channels before the bad one.
using ReplyHandler = ResultCode (*)(const ReplyRecord&, DeviceState&);

// Accepts any positive reply without looking at it (writes and commands without data).
ResultCode AcceptReply(const ReplyRecord& record, DeviceState& state);

ResultCode ParseDid(const ReplyRecord& record, DeviceState& state);
ResultCode ParseTds(const ReplyRecord& record, DeviceState& state);
ResultCode ParseDod(const ReplyRecord& record, DeviceState& state);
ResultCode ParseIpa(const ReplyRecord& record, DeviceState& state);
// The version must fit deviceVersion (7 characters); a longer one is refused with IllegalDataVer
// rather than shown cut.
ResultCode ParseVer(const ReplyRecord& record, DeviceState& state);
ResultCode ParseUhc(const ReplyRecord& record, DeviceState& state);
ResultCode ParseUlc(const ReplyRecord& record, DeviceState& state);
ResultCode ParseSet(const ReplyRecord& record, DeviceState& state);

// Handlers by command x 2 + expects-data: slot +0 accepts, slot +1 parses where the command has a
// parser and accepts otherwise.
extern const std::array<ReplyHandler, 2 * kCommandCount> kReplyParserTable;

// Judges a split reply: a status reply (kind kNak) gives CheckStatus's failure, a data reply the
// result of its handler. A record whose command byte is no command gives CommunicationError.
ResultCode JudgeReply(const ReplyRecord& record, DeviceState& state);

// The leading decimal integer of a field: optional blanks, an optional sign, then digits up to the
// first other character; 0 when there are no digits. Saturates instead of overflowing.
std::int64_t LeadingInteger(std::string_view text);

} // namespace va48
