#include "monitor/overload_history.h"

#include "tests/monitor/monitor_device.h"

#include <gtest/gtest.h>

#include <string_view>

namespace va48 {
namespace {

using namespace monitor_setup;

// Polls of the sound channel's flags: 'r' red, 'c' cyan, 'b' both, '.' none; 'C' is Clear and
// 'R' Reset between polls. Times are the poll's position in the string.
TEST(OverloadHistory, CountsWhereAConditionBegins) {
    const struct {
        std::string_view polls;
        std::uint32_t over;
        std::uint32_t under;
        int lastOver; // position of the last counted over-range poll, -1 for none
    } rows[] = {
        {"r", 1, 0, 0},                     // the first poll counts
        {"rrr", 1, 0, 0},                   // a condition held is one
        {"r.r", 2, 0, 2},   {"b", 1, 0, 0}, // both flags: over range only
        {"bc", 1, 1, 0},                    // the red lamp gives way to the cyan one
        {"rcr", 2, 1, 2},   {"c.cc", 0, 2, -1},
        {"rCr", 0, 0, -1},                    // cleared while on: not counted again
        {"rCr.r", 1, 0, 4}, {"rRr", 1, 0, 2}, // a new connection forgets the condition too
    };
    for (const auto& row : rows) {
        DeviceState device = TwoChannels();
        OverloadHistory history;
        for (std::size_t k = 0; k < row.polls.size(); ++k) {
            const char poll = row.polls[k];
            if (poll == 'C' || poll == 'R') {
                poll == 'C' ? history.Clear() : history.Reset();
                continue;
            }
            SetLamps(device, kSound, poll == 'r' || poll == 'b', poll == 'c' || poll == 'b');
            history.Take(device, PollTime(static_cast<int>(k)));
        }
        const ChannelOverloads& counts = history.Channel(kSound);
        EXPECT_EQ(counts.over.count, row.over) << row.polls;
        EXPECT_EQ(counts.under.count, row.under) << row.polls;
        EXPECT_EQ(counts.over.last,
                  row.lastOver < 0 ? std::nullopt : std::optional(PollTime(row.lastOver)))
            << row.polls;
        EXPECT_EQ(history.Channel(kVibration), ChannelOverloads{}) << row.polls;
    }
}

TEST(OverloadHistory, OnlyModulesCountAndOnlyChangesBumpTheRevision) {
    DeviceState device = TwoChannels();
    SetLamps(device, 1, 1, 0); // empty slot with a flag set
    SetLamps(device, 16, 0, 1);
    SetLamps(device, kVibration, 0, 2); // only 1 means on
    OverloadHistory history;
    history.Take(device, PollTime(0));
    EXPECT_EQ(history.Revision(), 0u);
    for (const int n : {0, 1, 16, 17, -1}) {
        EXPECT_EQ(history.Channel(n), ChannelOverloads{}) << n;
    }
    SetLamps(device, kVibration, 1, 0);
    history.Take(device, PollTime(1));
    EXPECT_EQ(history.Revision(), 1u);
    EXPECT_EQ(history.Channel(kVibration).over.count, 1u);
}

} // namespace
} // namespace va48
