#include "monitor/level_trend.h"
#include "monitor/level_watch.h"

#include "tests/monitor/monitor_device.h"

#include <gtest/gtest.h>

#include <string_view>

namespace va48 {
namespace {

using namespace monitor_setup;

TEST(BarReach, ScaledToTheReadingsRange) {
    const struct {
        const char* name;
        int channel;
        std::uint32_t value;
        std::uint16_t sensitivity; // of the sound channel
        std::uint8_t unit;         // of the vibration reading
        std::optional<double> level;
        std::optional<double> full;
        std::optional<double> reach;
    } rows[] = {
        {"sound", kSound, 905, 250, 1, 90.5, 100, (90.5 - 40) / 60},
        {"sound past full scale", kSound, 1200, 250, 1, 120, 100, kBarOverReach},
        {"sound below the bar", kSound, 300, 250, 1, 30, 100, 0},
        {"sound, sensitivity not read", kSound, 905, 0, 1, 90.5, {}, {}},
        {"vibration", kVibration, 55, 250, 1, 5.5, 10, 0.55},
        {"vibration past full scale", kVibration, 500, 250, 1, 50, 10, kBarOverReach},
        {"vibration mm: other factor", kVibration, 55, 250, 3, 0.55, 1, 0.55},
        {"vibration scale outside the tables", kVibration, 55, 250, 4, {}, {}, {}},
        {"no module", 1, 55, 250, 1, {}, {}, {}},
    };
    for (const auto& row : rows) {
        DeviceState device = TwoChannels();
        Channel(device, kSound).deviceSetup.sensitivity = row.sensitivity;
        Channel(device, kVibration).reading.readingUnit = row.unit;
        Channel(device, row.channel).reading.value = row.value;
        const ChannelSettings& channel = Channel(device, row.channel);
        for (const auto& [what, expected] :
             {std::pair{LevelValue(channel), row.level}, std::pair{FullScale(channel), row.full},
              std::pair{BarReach(channel), row.reach}}) {
            ASSERT_EQ(what.has_value(), expected.has_value()) << row.name;
            if (expected) {
                EXPECT_NEAR(*what, *expected, 1e-9) << row.name;
            }
        }
    }
}

TEST(UnitLabelText, RaisedDigitsBecomeSuperscript) {
    const struct {
        UnitLabel label;
        std::string_view text;
    } rows[] = {
        {{"m/s2", 1, 3, 4}, "m/s²"},  {{"pC/m/s2", 1, 6, 7}, "pC/m/s²"},
        {{"m/s2", 0, 3, 4}, "m/s2"},  {{"x10-3", 1, 3, 5}, "x10⁻³"},
        {{"m/s2", 1, 3, 40}, "m/s²"}, // a run past the end stops at the end
        {{"m/s2", 1, 9, 2}, "m/s2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UnitLabelText(row.label), row.text) << row.label.text;
    }
    const DeviceState device = TwoChannels();
    EXPECT_EQ(UnitText(device.channels[kVibration - 1]), "m/s²");
    EXPECT_EQ(UnitText(device.channels[0]), "");
}

TEST(LevelTrend, KeepsLevelsAndUnitsOfEveryPollUpToTheCap) {
    DeviceState device = TwoChannels();
    LevelTrend trend;
    trend.Take(device, PollTime(0));
    Channel(device, kVibration).moduleKind = kNoModule;
    trend.Take(device, PollTime(1));
    ASSERT_EQ(trend.Samples().size(), 2u);
    EXPECT_EQ(trend.Samples()[0].levels[kVibration - 1], 5.5f);
    EXPECT_EQ(trend.Samples()[1].levels[kVibration - 1], std::nullopt);
    EXPECT_EQ(trend.Samples()[1].levels[kSound - 1], 90.5f);
    EXPECT_EQ(trend.Unit(kSound), "dB");
    EXPECT_EQ(trend.Unit(kVibration), "");
    EXPECT_EQ(trend.Unit(17), "");
    EXPECT_EQ(trend.Revision(), 2u);

    for (std::size_t k = 2; k < LevelTrend::kMaxSamples + 3; ++k) {
        trend.Take(device, PollTime(static_cast<int>(k)));
    }
    EXPECT_EQ(trend.Samples().size(), LevelTrend::kMaxSamples);
    EXPECT_EQ(trend.Samples().front().at, PollTime(3)); // the oldest went first
    trend.Clear();
    EXPECT_TRUE(trend.Samples().empty());
    EXPECT_EQ(trend.Unit(kSound), "");
}

TEST(ParsePollPeriod, KnownPeriodsElseOneSecond) {
    const struct {
        std::string_view text;
        int period;
    } rows[] = {{"1000", 1000}, {"500", 500}, {" 200\t", 200}, {"", 1000},      {"  ", 1000},
                {"300", 1000},  {"0", 1000},  {"-200", 1000},  {"200ms", 1000}, {"2 00", 1000}};
    for (const auto& row : rows) {
        EXPECT_EQ(ParsePollPeriod(row.text), row.period) << row.text;
    }
}

} // namespace
} // namespace va48
