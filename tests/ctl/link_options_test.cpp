#include "ctl/link_options.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

TEST(LinkOptionsTest, LanTargetIsAnIpv4AddressWithAnOptionalPort) {
    using Address = std::array<std::uint8_t, 4>;
    const struct {
        const char* text;
        std::optional<LanTarget> target;
    } rows[] = {
        {"127.0.0.1", LanTarget{Address{127, 0, 0, 1}, std::nullopt}},
        {"192.168.1.10:2255", LanTarget{Address{192, 168, 1, 10}, 2255}},
        {"10.0.0.1:65535", LanTarget{Address{10, 0, 0, 1}, 65535}},
        {"10.0.0.1:65536", std::nullopt},
        {"10.0.0.1:0", std::nullopt},
        {"10.0.0.1:080", std::nullopt},
        {"10.0.0.1:", std::nullopt},
        {"10.0.0.1:22x", std::nullopt},
        {"localhost:2255", std::nullopt},
        {"255.255.255.255", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseLanTarget(row.text), row.target) << row.text;
    }
    EXPECT_EQ(HardwareIdPattern("usb\\vid_7c4e&pid_0008"), "USB\\VID_7C4E&PID_0008");
}

} // namespace
} // namespace va48
