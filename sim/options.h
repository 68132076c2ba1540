#pragma once

#include "sim/control.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace va48sim {

inline constexpr std::uint16_t kDefaultPort = 2255;

// What the command line asks for.
struct Options {
    bool help = false;
    bool pty = false;                  // serve a pseudo-terminal instead of TCP
    std::uint16_t port = kDefaultPort; // TCP port on 127.0.0.1; 0 picks a free one
    bool exitOnStdinEof = false;
    std::uint32_t seed = 1;        // level walk seed
    std::vector<Setting> settings; // run-time settings, applied in order at start
};

// Parses the arguments after the program name. "--name value" and "--name=value" both work; a
// switch ("--split", "--log") takes no following argument. Returns an empty text on success or
// the reason the command line is refused.
std::string ParseOptions(const std::vector<std::string_view>& args, Options& options);

// The --help text: every option, the layout and TEDS syntax, and the control lines.
std::string_view HelpText();

} // namespace va48sim
