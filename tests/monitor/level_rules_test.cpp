#include "monitor/level_trend.h"
#include "monitor/level_watch.h"
#include "monitor/overload_history.h"

#include "tests/monitor/monitor_device.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

using namespace monitor_setup;

// Polls of the sound channel's flags: 'r' red, 'c' cyan, 'b' both, '.' none; 'C' is Clear and
// 'R' Reset between polls. A poll's time is its position in the string.
TEST(OverloadHistory, CountsWhereAConditionBegins) {
    const struct {
        std::string_view polls;
        std::uint32_t over, under;
        int lastOver; // position of the last counted over-range poll, -1 for none
    } rows[] = {
        {"r", 1, 0, 0},     {"rrr", 1, 0, 0}, {"r.r", 2, 0, 2},
        {"b", 1, 0, 0}, // both: red only
        {"bc", 1, 1, 0},    {"rcr", 2, 1, 2}, {"c.cc", 0, 2, -1},
        {"rCr", 0, 0, -1}, // cleared while on: not counted again until it begins anew
        {"rCr.r", 1, 0, 4}, {"rRr", 1, 0, 2}, // a new connection forgets the condition too
        {"2", 0, 0, -1},                      // flags of 2: neither lamp is on
    };
    for (const auto& row : rows) {
        DeviceState device = TwoChannels();
        SetLamps(device, 1, 1, 1); // an empty slot counts nothing
        OverloadHistory history;
        for (std::size_t k = 0; k < row.polls.size(); ++k) {
            const char poll = row.polls[k];
            if (poll == 'C' || poll == 'R') {
                poll == 'C' ? history.Clear() : history.Reset();
                continue;
            }
            const int on = poll == '2' ? 2 : 1;
            SetLamps(device, kSound, poll == 'r' || poll == 'b' ? on : 0,
                     poll == 'c' || poll == 'b' || poll == '2' ? on : 0);
            history.Take(device, PollTime(static_cast<int>(k)));
        }
        const LampEvents& over = history.Channel(kSound).over;
        EXPECT_EQ(over.count, row.over) << row.polls;
        EXPECT_EQ(history.Channel(kSound).under.count, row.under) << row.polls;
        EXPECT_EQ(over.last,
                  row.lastOver < 0 ? std::nullopt : std::optional(PollTime(row.lastOver)))
            << row.polls;
        for (const int n : {1, kVibration, 0, 17}) {
            EXPECT_EQ(history.Channel(n), ChannelOverloads{}) << row.polls << " " << n;
        }
    }
}

TEST(BarReach, ScaledToTheReadingsRange) {
    const struct {
        const char* name;
        int channel;
        std::uint32_t value;
        std::uint16_t sensitivity; // of the sound channel
        std::uint8_t unit;         // of the vibration reading
        std::optional<double> reach;
    } rows[] = {
        {"sound on 100 dB", kSound, 905, 250, 1, (90.5 - 40) / 60},
        {"sound past full scale", kSound, 1200, 250, 1, kBarOverReach},
        {"sound below the bar", kSound, 300, 250, 1, 0},
        {"sensitivity not read", kSound, 905, 0, 1, std::nullopt},
        {"vibration on 10", kVibration, 55, 250, 1, 0.55},
        {"mm: factor 10, two decimals", kVibration, 55, 250, 3, 0.55},
        {"reading unit outside the tables", kVibration, 55, 250, 4, std::nullopt},
        {"no module", 1, 55, 250, 1, std::nullopt},
    };
    for (const auto& row : rows) {
        DeviceState device = TwoChannels();
        Channel(device, kSound).deviceSetup.sensitivity = row.sensitivity;
        Channel(device, kVibration).reading.readingUnit = row.unit;
        Channel(device, row.channel).reading.value = row.value;
        const std::optional<double> reach = BarReach(Channel(device, row.channel));
        ASSERT_EQ(reach.has_value(), row.reach.has_value()) << row.name;
        if (reach) {
            EXPECT_NEAR(*reach, *row.reach, 1e-9) << row.name;
        }
    }
}

TEST(UnitLabelText, RaisedDigitsBecomeSuperscript) {
    EXPECT_EQ(UnitLabelText({"pC/m/s2", 1, 6, 7}), "pC/m/s²");
    EXPECT_EQ(UnitLabelText({"m/s2", 0, 3, 4}), "m/s2");
    EXPECT_EQ(UnitLabelText({"x10-3", 1, 3, 5}), "x10⁻³");
    EXPECT_EQ(UnitLabelText({"m/s2", 1, 3, 40}), "m/s²"); // a run past the end stops there
}

TEST(LevelTrend, KeepsLevelsAndUnitsOfEveryPollUpToTheCap) {
    DeviceState device = TwoChannels();
    LevelTrend trend;
    trend.Take(device, PollTime(0));
    EXPECT_EQ(trend.Unit(kVibration), "m/s²");
    Channel(device, kVibration).moduleKind = kNoModule;
    trend.Take(device, PollTime(1));
    ASSERT_EQ(trend.Samples().size(), 2u);
    EXPECT_EQ(trend.Samples()[0].levels[kVibration - 1], 5.5f);
    EXPECT_EQ(trend.Samples()[1].levels[kVibration - 1], std::nullopt);
    EXPECT_EQ(trend.Samples()[1].levels[kSound - 1], 90.5f);
    EXPECT_EQ(trend.Unit(kSound) + trend.Unit(kVibration) + trend.Unit(17), "dB");
    for (int k = 2; k < static_cast<int>(LevelTrend::kMaxSamples) + 3; ++k) {
        trend.Take(device, PollTime(k));
    }
    EXPECT_EQ(trend.Samples().size(), LevelTrend::kMaxSamples);
    EXPECT_EQ(trend.Samples().front().at, PollTime(3)); // the oldest went first
}

TEST(ParsePollPeriod, KnownPeriodsElseOneSecond) {
    const struct {
        std::string_view text;
        int period;
    } rows[] = {{"1000", 1000}, {"500", 500},   {" 200\t", 200}, {"", 1000},    {"  ", 1000},
                {"300", 1000},  {"-200", 1000}, {"200ms", 1000}, {"2 00", 1000}};
    for (const auto& row : rows) {
        EXPECT_EQ(ParsePollPeriod(row.text), row.period) << row.text;
    }
}

} // namespace
} // namespace va48
