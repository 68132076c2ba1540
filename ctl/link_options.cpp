#include "ctl/link_options.h"

#include "shell/link_settings_file.h"

#include <charconv>

namespace va48 {

std::optional<LanTarget> ParseLanTarget(std::string_view text) {
    LanTarget target;
    const std::size_t colon = text.find(':');
    target.address = ParseLanAddress(text.substr(0, colon));
    if (target.address == kNoLanAddress) {
        return std::nullopt;
    }
    if (colon == std::string_view::npos) {
        return target;
    }
    const std::string_view port = text.substr(colon + 1);
    std::uint16_t number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || port[0] == '0' || error != std::errc() ||
        end != port.data() + port.size()) {
        return std::nullopt;
    }
    target.port = number;
    return target;
}

std::string HardwareIdPattern(std::string_view text) {
    std::string pattern(text);
    for (char& c : pattern) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return pattern;
}

} // namespace va48
