#pragma once

#include "protocol/result_code.h"

namespace va48 {

// va48ctl's exit statuses, one per kind of failure, so that a script can tell them apart.
enum class ExitStatus : int {
    Success = 0,
    Cancelled = 1, // the user answered no, or interrupted an update
    Usage = 2,     // the command line is wrong
    Link = 3,      // no amplifier found or reachable, or the link failed on the way
    Amplifier = 4, // the amplifier refused a request (NAK) or answered something unusable
    Mismatch = 5,  // apply: the read-back differs from the setup
    File = 6,      // a setup or firmware file cannot be read, is malformed or does not fit
};

constexpr int ToInt(ExitStatus status) {
    return static_cast<int>(status);
}

// The kind of a command's failure: link faults (the request never got its answer) against the
// amplifier's refusals and unusable answers.
constexpr ExitStatus ExitStatusFor(ResultCode code) {
    switch (code) {
    case ResultCode::Success:
        return ExitStatus::Success;
    case ResultCode::SendFailed:
    case ResultCode::NotConnected:
    case ResultCode::Aborted:
    case ResultCode::NotStarted:
    case ResultCode::ComPortNotFound:
    case ResultCode::CommunicationError:
    case ResultCode::Disconnected:
    case ResultCode::ReplyTimeout:
    case ResultCode::SendReceiveFailed:
        return ExitStatus::Link;
    default:
        return ExitStatus::Amplifier;
    }
}

} // namespace va48
