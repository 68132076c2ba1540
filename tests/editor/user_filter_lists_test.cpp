#include "editor/user_filter_lists.h"

#include "tests/support/channels.h"

#include <gtest/gtest.h>

#include <array>

namespace va48 {
namespace {

using namespace filter_setup;
using enum FilterColumn;

TEST(BuildFilterList, FineListThenTheEnabledUserFilter) {
    ChannelSettings longLabel = Sound(0, -2);
    longLabel.editUserLpf.enabled = 1;
    longLabel.editUserLpf.cutoffLabel.fill('9'); // no terminating NUL
    ChannelSettings notOne = WithUserHpf(Sound(-2, 0), 300);
    notOne.editUserHpf.enabled = 2;

    const struct {
        const char* name;
        ChannelSettings channel;
        FilterColumn column;
        std::size_t count; // 0: no module
        FilterChoice last;
        int selected;
    } rows[] = {
        {"sound HPF", Sound(21, 0), Hpf, 23, {"160Hz", 21}, 21},
        {"sound LPF to 50kHz", Sound(0, 26), Lpf, 28, {"50kHz", 26}, 26},
        {"vibration LPF to 20kHz", Vibration(0, 22), Lpf, 24, {"20kHz", 22}, 22},
        {"user HPF", WithUserHpf(Sound(-2, 0), 300), Hpf, 24, {"3.00Hz", -2}, -2},
        {"user HPF not chosen", WithUserHpf(Vibration(4, 0), 300), Hpf, 24, {"3.00Hz", -2}, 4},
        {"user LPF", WithUserLpf(Vibration(0, -2), 12500), Lpf, 25, {"12.5kHz", -2}, -2},
        {"user HPF, LPF list", WithUserHpf(Sound(0, -2), 300), Lpf, 28, {"50kHz", 26}, -1},
        {"user filter not enabled", Sound(-2, 0), Hpf, 23, {"160Hz", 21}, -1},
        {"enabled other than 1", notOne, Hpf, 23, {"160Hz", 21}, -1},
        {"label filling its field", longLabel, Lpf, 29, {"9999999999999999", -2}, -2},
        // Indexes the amplifier sent beyond a list.
        {"sound LPF 40", Sound(0, 40), Lpf, 28, {"50kHz", 26}, -1},
        {"vibration LPF 26", Vibration(0, 26), Lpf, 24, {"20kHz", 22}, -1},
        {"HPF -128", Sound(-128, 0), Hpf, 23, {"160Hz", 21}, -1},
        {"no module", Module(kNoModule, 0, 0), Hpf, 0, {}, 0},
        {"unknown module", Module(3, 0, 0), Lpf, 0, {}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FilterList list = BuildFilterList(row.channel, row.column);
        ASSERT_EQ(list.items.size(), row.count);
        if (row.count == 0) {
            continue;
        }
        EXPECT_EQ(list.items.front().text, "- - -");
        EXPECT_EQ(list.items.front().code, -1);
        EXPECT_EQ(list.items.back().text, row.last.text);
        EXPECT_EQ(list.items.back().code, row.last.code);
        EXPECT_EQ(list.selected, row.selected);
    }
}

TEST(ApplyFilterChoice, StoresThePositionsCodeWithinTheModuleKind) {
    // Channels 1, 2 and 4 are sound, 3 vibration, 5 without a module; 1, 3 and 4 have both user
    // filters enabled.
    const auto start = [] {
        DeviceState device;
        device.channels[0] = WithUserLpf(WithUserHpf(Sound(0, 0), 300), 500);
        device.channels[1] = Sound(5, 5);
        device.channels[2] = WithUserLpf(WithUserHpf(Vibration(7, 7), 1000), 1000);
        device.channels[3] = WithUserLpf(WithUserHpf(Sound(1, 1), 2000), 2000);
        device.channels[4] = Module(kNoModule, 9, 9);
        return device;
    };
    constexpr int kHpfUser = 23; // list position of the user filter item
    constexpr int kSoundLpfUser = 28;
    constexpr std::array<int, 5> kAsBefore = {0, 5, 7, 1, 9}; // both columns start alike
    const struct {
        const char* name;
        int row;
        FilterColumn column;
        int position;
        bool shift;
        std::vector<int> changed;
        std::array<int, 5> hpf; // channels 1..5 afterwards
        std::array<int, 5> lpf;
    } rows[] = {
        {"user item", 0, Hpf, kHpfUser, false, {0}, {-2, 5, 7, 1, 9}, kAsBefore},
        {"fine item with Shift", 1, Hpf, 11, true, {1, 0, 3}, {10, 10, 7, 10, 9}, kAsBefore},
        {"user item with Shift", 0, Hpf, kHpfUser, true, {0, 3}, {-2, 5, 7, -2, 9}, kAsBefore},
        {"user LPF with Shift", 3, Lpf, kSoundLpfUser, true, {3, 0}, kAsBefore, {-2, 5, 7, -2, 9}},
        {"vibration with Shift", 2, Lpf, 23, true, {2}, kAsBefore, {0, 5, 22, 1, 9}},
        // A position the channel's list does not have changes nothing.
        {"user item of a channel without one", 1, Hpf, kHpfUser, true, {}, kAsBefore, kAsBefore},
        {"past the list", 0, Lpf, 29, false, {}, kAsBefore, kAsBefore},
        {"negative position", 0, Hpf, -1, true, {}, kAsBefore, kAsBefore},
        {"no module", 4, Hpf, 0, true, {}, kAsBefore, kAsBefore},
        {"row 16 is the last", 16, Hpf, 0, true, {}, kAsBefore, kAsBefore},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceState device = start();
        EXPECT_EQ(ApplyFilterChoice(device, row.row, row.column, row.position, row.shift),
                  row.changed);
        for (std::size_t c = 0; c < row.hpf.size(); ++c) {
            EXPECT_EQ(device.channels[c].editSetup.hpfIndex, row.hpf[c]) << "channel " << c + 1;
            EXPECT_EQ(device.channels[c].editSetup.lpfIndex, row.lpf[c]) << "channel " << c + 1;
        }
    }
}

} // namespace
} // namespace va48
