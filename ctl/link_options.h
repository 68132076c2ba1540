#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace va48 {

// "HOST[:PORT]" of --lan: a dotted-decimal IPv4 address (the LAN link takes no names) and an
// optional port 1..65535.
struct LanTarget {
    std::array<std::uint8_t, 4> address{};
    std::optional<std::uint16_t> port;

    friend bool operator==(const LanTarget&, const LanTarget&) = default;
};

// nullopt for anything else, including a port of 0, with leading zeros or out of range.
std::optional<LanTarget> ParseLanTarget(std::string_view text);

// The hardware-ID pattern as USB discovery compares it: ASCII letters in upper case.
std::string HardwareIdPattern(std::string_view text);

} // namespace va48
