// The serial channel's port table: what every platform shares.

#include "transport/serial_channel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace va48 {
namespace {

TEST(SerialPortTable, RefusesPortNumbersOutsideTheTable) {
    for (const int port : {0, 33, -1}) {
        SCOPED_TRACE(port);
        EXPECT_EQ(SerialOpen(port, nullptr, nullptr), kNoConnection);
        EXPECT_FALSE(SetSerialBaudRate(port, 9600));
        EXPECT_FALSE(SetSerialByteSize(port, 8));
        EXPECT_FALSE(SetSerialParity(port, false, 0));
        EXPECT_FALSE(SetSerialStopBits(port, 0));
        EXPECT_FALSE(SetSerialPortDevice(port, "/dev/null"));
        EXPECT_EQ(SerialPortDevice(port), "");
    }
}

TEST(SerialPortTable, SettersAcceptOnlyTheListedValues) {
    constexpr int port = 5;
    struct Row {
        const char* what;
        bool (*set)(int value);
        std::vector<int> accepted;
        std::vector<int> refused;
    };
    const Row rows[] = {
        {"rate",
         [](int v) { return SetSerialBaudRate(port, static_cast<std::uint32_t>(v)); },
         {110, 56000, 256000},
         {0, 1000, 230400}},
        {"byte size", [](int v) { return SetSerialByteSize(port, v); }, {5, 8}, {4, 9}},
        {"parity kind", [](int v) { return SetSerialParity(port, true, v); }, {0, 4}, {-1, 5}},
        {"stop bits", [](int v) { return SetSerialStopBits(port, v); }, {0, 2}, {-1, 3}},
    };
    for (const Row& row : rows) {
        for (const int value : row.accepted) {
            EXPECT_TRUE(row.set(value)) << row.what << " " << value;
        }
        for (const int value : row.refused) {
            EXPECT_FALSE(row.set(value)) << row.what << " " << value;
        }
    }
}

TEST(SerialPortTable, BindsTheHighestFreePortAndKeepsEachBinding) {
    EXPECT_EQ(BindSerialPortDevice(""), 0);

    const int first = BindSerialPortDevice("/dev/va48-test-a");
    ASSERT_EQ(first, 32);
    EXPECT_EQ(SerialPortDevice(first), "/dev/va48-test-a");
    EXPECT_EQ(BindSerialPortDevice("/dev/va48-test-a"), first);
    EXPECT_EQ(BindSerialPortDevice("/dev/va48-test-b"), 31);

    SetSerialPortDevice(31, "");
    SetSerialPortDevice(32, "");
    EXPECT_NE(SerialPortDevice(32), "/dev/va48-test-a"); // back to the platform's own port
}

} // namespace
} // namespace va48
