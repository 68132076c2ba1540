// The platform-independent half of USB discovery: the name order and the hardware-ID match.

#include "transport/usb_discovery.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

TEST(NaturalNameLessTest, OrdersNamesWithDigitRunsByValue) {
    const struct {
        std::string a;
        std::string b;
        bool aFirst;
    } rows[] = {
        {"ttyACM2", "ttyACM10", true},
        {"ttyACM0", "ttyACM0", false},
        {"ttyACM9", "ttyS0", true}, // letters still compare as bytes
        {"ttyUSB", "ttyUSB0", true},
        {"ttyUSB0", "ttyUSB", false},
        {"tty01", "tty1", true}, // equal by value: byte order decides, one way round only
        {"tty1", "tty01", false},
        {"t99999999999999999999999", "t100000000000000000000000", true}, // beyond any integer
        {"tty2a10", "tty2a9", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NaturalNameLess(row.a, row.b), row.aFirst) << row.a << " < " << row.b;
    }
}

TEST(MatchHardwareIdTest, UpperCasesTheIdsButNotThePattern) {
    const std::vector<UsbDevice> lowerCase{{"/dev/a", {"usb\\vid_7c4e&pid_0008&rev_0100"}, ""}};
    EXPECT_EQ(MatchHardwareId("USB\\VID_7C4E&PID_0008", lowerCase), 0u);
    EXPECT_EQ(MatchHardwareId("usb\\vid_7c4e&pid_0008", lowerCase), std::nullopt);

    const std::vector<UsbDevice> laterId{{"/dev/a", {"USB\\VID_1111&PID_0001"}, ""},
                                         {"/dev/b", {"X", "USB\\VID_7C4E&PID_0008"}, ""}};
    EXPECT_EQ(MatchHardwareId("PID_0008", laterId), 1u);
}

} // namespace
} // namespace va48
