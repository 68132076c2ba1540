#pragma once

#include "protocol/command_code.h"
#include "protocol/device_state.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace va48 {

// Request texts. Each builder writes a NUL-terminated ASCII text into `out` and returns its
// length. Numbers are decimal without leading zeros; parameters are separated by one space.
// An empty `out` returns -1 and is left untouched; otherwise `out` is cleared first, and a text
// that does not fit (length >= out.size()) returns -1 with `out` left cleared.

// "DID?", "VER?", "SET? 5": the name, "?" and, for a channel other than 0, one space and it.
int BuildQuery(CommandCode command, std::uint8_t channel, std::span<char> out);

// "TEC 5".
int BuildTedsExecute(std::uint8_t channel, std::span<char> out);

// "CAL 0 1" (signal on) or "CAL 0 0" (off).
int BuildCalibration(std::uint8_t first, std::uint8_t second, std::span<char> out);

// "IPA" and the 12 bytes address, mask, gateway, each as 0..255.
int BuildLanSetting(const DeviceLan& lan, std::span<char> out);

// "SET ch 0" and the 13 setup values of `channel.editSetup`. The order of the two weighting
// values follows the module kind; a channel without a module returns -1.
int BuildSetup(std::uint8_t channelNumber, const ChannelSettings& channel, std::span<char> out);

// "UHC ch ..." (which == 0) or "ULC ch ...": an enabled filter sends enabled, cutoff and the five
// coefficients; any other sends its enabled value and six zeros.
int BuildUserFilter(int which, std::uint8_t channelNumber, const UserFilter& filter,
                    std::span<char> out);

// "UPD step", and when dataLength > 0 one space and at most dataLength characters of `data`
// (up to its first NUL).
int BuildUpdate(std::uint8_t step, std::string_view data, int dataLength, std::span<char> out);

} // namespace va48
