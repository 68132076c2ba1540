#pragma once

#include <array>
#include <cstdint>

namespace va48 {

// The outcome of every command: 0 is success, every other value a failure whose message the user
// sees (through ResultMessage). The numbers are fixed; windows learn them from posted messages.
enum class ResultCode : std::uint8_t {
    Success = 0,
    IllegalDataDid = 1,
    IllegalDataTds = 2,
    IllegalDataDod = 3,
    IllegalDataIpa = 4,
    IllegalDataUhc = 5,
    IllegalDataUlc = 6,
    IllegalDataSet = 7,
    IllegalDataVer = 8,
    IllegalValueDid = 9,
    IllegalValueTds = 10,
    IllegalValueDod = 11,
    IllegalValueIpa = 12,
    IllegalValueUhc = 13,
    IllegalValueUlc = 14,
    IllegalValueSet = 15,
    DeviceError = 16,      // field 0 of a DID reply is not 0
    StatusBcc = 17,        // status "0000"
    StatusUndefined = 18,  // status "0001"
    StatusParameter = 19,  // status "0002"
    StatusImpossible = 20, // status "0003"
    StatusTimeout = 21,    // status "0004"
    StatusOther = 22,      // any other status
    SendFailed = 23,
    NotConnected = 24,
    NoDevice = 25,
    Aborted = 26,
    NotStarted = 27, // never shown: callers turn it into 33 or 28
    ComPortNotFound = 28,
    CommunicationError = 29,
    Unused30 = 30,
    Disconnected = 31,
    ReplyTimeout = 32,
    SendReceiveFailed = 33,
    HpfContradiction = 34, // message has a "%d" for the channel
    LpfContradiction = 35, // message has a "%d" for the channel
};

inline constexpr int kResultCodeCount = 36;

// String-table ID of each code's message, index = code; 0 means the code has no message.
inline constexpr std::array<std::uint16_t, kResultCodeCount> kResultMessageTable = {
    0,   501, 502, 503, 504, 505, 506, 507, 533, 508, 509, 510, 511, 512, 513, 514, 515, 516,
    517, 518, 519, 520, 521, 522, 523, 524, 525, 0,   526, 527, 0,   528, 529, 530, 531, 532,
};

// String-table ID of the message for a code; 0 for none (also for a number outside the table).
constexpr std::uint16_t ResultMessage(ResultCode code) {
    const auto index = static_cast<std::size_t>(code);
    return index < kResultMessageTable.size() ? kResultMessageTable[index] : 0;
}

constexpr int ToInt(ResultCode code) {
    return static_cast<int>(code);
}

} // namespace va48
