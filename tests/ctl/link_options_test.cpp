#include "ctl/link_options.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

TEST(LinkOptionsTest, LanTargetIsAnIpv4AddressWithAnOptionalPort) {
    using Address = std::array<std::uint8_t, 4>;
    EXPECT_EQ(ParseLanTarget("127.0.0.1"), (LanTarget{Address{127, 0, 0, 1}, std::nullopt}));
    EXPECT_EQ(ParseLanTarget("192.168.1.10:2255"), (LanTarget{Address{192, 168, 1, 10}, 2255}));
    EXPECT_EQ(ParseLanTarget("10.0.0.1:65535"), (LanTarget{Address{10, 0, 0, 1}, 65535}));
    for (const char* bad : {"10.0.0.1:65536", "10.0.0.1:0", "10.0.0.1:080",
                            "10.0.0.1:", "10.0.0.1:22x", "localhost:2255", "255.255.255.255", ""}) {
        EXPECT_EQ(ParseLanTarget(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(HardwareIdPattern("usb\\vid_7c4e&pid_0008"), "USB\\VID_7C4E&PID_0008");
}

} // namespace
} // namespace va48
