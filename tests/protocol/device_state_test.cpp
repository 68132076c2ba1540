#include "protocol/device_state.h"

#include "protocol/value_tables.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

ChannelSettings WithConnector(std::uint8_t kind, int flags) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    channel.editSetup.rear = flags & 1;
    channel.editSetup.charge = (flags >> 1) & 1;
    channel.editSetup.ccld = (flags >> 2) & 1;
    channel.editSetup.teds = (flags >> 3) & 1;
    return channel;
}

TEST(DeviceState, ChannelsAreNumberedFromOne) {
    DeviceState state;
    EXPECT_EQ(GetChannel(state, 1, 1), &state.channels[0]);
    EXPECT_EQ(GetChannel(state, 1, 16), &state.channels[15]);
    EXPECT_EQ(GetChannel(state, 1, 0), nullptr);
    EXPECT_EQ(GetChannel(state, 1, 17), nullptr);
    EXPECT_EQ(GetChannel(state, 1, -1), nullptr);
}

TEST(DeviceState, TedsInputAndSensitivityUnitFollowTheConnector) {
    struct Case {
        std::uint8_t kind;
        int flags;
        std::uint32_t teds;
        std::uint32_t unit;
    };
    const Case cases[] = {
        {kSoundModule, 0, 0, 1},      {kSoundModule, 5, 0, 1},      {kSoundModule, 13, 1, 1},
        {kSoundModule, 7, 0, 0},      {kSoundModule, 12, 0, 0},     {kVibrationModule, 2, 0, 1},
        {kVibrationModule, 4, 0, 2},  {kVibrationModule, 12, 1, 2}, {kVibrationModule, 1, 0, 2},
        {kVibrationModule, 13, 0, 0}, {kVibrationModule, 0, 0, 0},  {kNoModule, 13, 0, 0},
    };
    for (const Case& c : cases) {
        const ChannelSettings channel = WithConnector(c.kind, c.flags);
        EXPECT_EQ(ConnectorFlags(channel.editSetup), c.flags);
        EXPECT_EQ(TedsInput(channel), c.teds) << int(c.kind) << " flags " << c.flags;
        EXPECT_EQ(SensitivityUnit(channel), c.unit) << int(c.kind) << " flags " << c.flags;
    }
    ChannelSettings channel; // any non-zero flag counts
    channel.editSetup.rear = 7;
    channel.editSetup.teds = 255;
    EXPECT_EQ(ConnectorFlags(channel.editSetup), 9);
}

} // namespace
} // namespace va48
