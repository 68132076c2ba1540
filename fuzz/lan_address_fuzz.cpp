// The dotted LAN address as the settings file and the LAN setting give it: the settings reader's
// parser must accept exactly the canonical texts (its result formats back to the same text), and
// agree with the parser the LAN channel checks an address with before it connects.
#include "shell/link_settings_file.h"
#include "transport/lan_backend.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::array<std::uint8_t, 4> parsed = va48::ParseLanAddress(text);
    const bool valid = parsed != va48::kNoLanAddress;
    if (valid) {
        Check(va48::FormatLanAddress(parsed) == text);
    }

    std::array<std::uint8_t, 4> channel{};
    const bool channelValid = va48::lan_backend::ParseIpv4(text, channel);
    if (text != "255.255.255.255") {
        Check(channelValid == valid);
    }
    if (channelValid) {
        Check(channel == parsed || text == "255.255.255.255");
        // What the session builds from the settings must pass the channel's check unchanged.
        std::array<std::uint8_t, 4> again{};
        Check(va48::lan_backend::ParseIpv4(va48::FormatLanAddress(channel), again));
        Check(again == channel);
    }
    return 0;
}
