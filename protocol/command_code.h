#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace va48 {

// The fourteen commands of the amplifier. The order is fixed: it indexes the name table, the reply
// parser table and the command byte of every job entry.
enum class CommandCode : std::uint8_t {
    DID = 0,
    CAL = 1,
    TDS = 2,
    TEC = 3,
    DOD = 4,
    IPA = 5,
    RES = 6,
    VER = 7,
    UHC = 8,
    ULC = 9,
    SES = 10,
    SET = 11,
    UPD = 12,
    TST = 13,
};

inline constexpr int kCommandCount = 14;

// The three-letter word sent on the wire for each code, in code order.
inline constexpr std::array<std::string_view, kCommandCount> kCommandNames = {
    "DID", "CAL", "TDS", "TEC", "DOD", "IPA", "RES",
    "VER", "UHC", "ULC", "SES", "SET", "UPD", "TST",
};

// Name of a command; "???" for a byte that is no command (only a corrupted job entry can hold one).
std::string_view CommandName(CommandCode code);

// The fixed text of the reply-time test: "TST?" followed by the digits 0..9 twelve times and 0..7.
inline constexpr std::string_view kTestText =
    "TST?"
    "0123456789012345678901234567890123456789012345678901234567890123456789"
    "0123456789012345678901234567890123456789012345678901234567";

} // namespace va48
