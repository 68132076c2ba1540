#include "filters/filter_rules.h"

#include "protocol/value_tables.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

constexpr auto kHpf = FilterSide::HighPass;
constexpr auto kLpf = FilterSide::LowPass;

UserFilter Filter(std::uint8_t enabled, std::uint32_t cutoff, std::string_view text,
                  std::uint32_t unit = 0) {
    UserFilter filter;
    filter.enabled = enabled;
    filter.cutoff = cutoff;
    SetFrequencyText(filter, text);
    filter.cutoffUnit = unit;
    filter.coef = {0xABC, 0, 1, 0xFFFFFFFFFFFF, 2};
    return filter;
}

ChannelSettings Channel(std::uint8_t kind, const UserFilter& lpf) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    channel.editUserHpf = channel.editUserLpf = lpf;
    return channel;
}

TEST(FilterFrequency, CommitClampsRoundsAndNormalises) {
    using enum EntryCheck;
    const struct {
        const char* name;
        FilterSide side;
        UserFilter before;
        std::string_view typed;
        EntryCheck check;
        std::string_view text;
        std::uint32_t cutoff;
        std::uint32_t mark;
    } rows[] = {
        {"hpf 12.3", kHpf, Filter(1, 300, "3.00"), "12.3", Accepted, "12.3", 1230, 1},
        {"hpf 7", kHpf, Filter(1, 300, "3.00"), "7", Accepted, "7.00", 700, 1},
        {"hpf 2.5", kHpf, Filter(1, 1230, "12.3"), "2.5", BelowMinimum, "3.00", 300, 1},
        {"hpf 250", kHpf, Filter(1, 300, "3.00"), "250", AboveMaximum, "200", 20000, 1},
        {"hpf 3.005 is 3.00", kHpf, Filter(1, 300, "3.00"), "3.005", Accepted, "3.00", 300, 0},
        {"hpf empty", kHpf, Filter(1, 300, "3.00"), "", Empty, "3.00", 300, 0},
        {"hpf untouched", kHpf, Filter(1, 1575, "15.7"), "15.7", Accepted, "15.7", 1575, 0},
        {"hpf paste", kHpf, Filter(1, 300, "3.00"), "0000000000000005", Accepted, "5.00", 500, 1},
        {"lpf 1.5 kHz", kLpf, Filter(1, 1, "1.00", 1), "1.5", Accepted, "1.50", 1500, 1},
        {"lpf 1.5 Hz truncated", kLpf, Filter(1, 5, "5.00"), "1.5", Accepted, "1.50", 1, 1},
        {"lpf 4.1 kHz exact", kLpf, Filter(1, 1, "1.00", 1), "4.1", Accepted, "4.10", 4100, 1},
        {"lpf 1500 kHz", kLpf, Filter(1, 1000, "1.00", 1), "1500", AboveMaximum, "999", 999000, 1},
        {"lpf 1500 Hz", kLpf, Filter(1, 300, "300"), "1500", AboveMaximum, "999", 999, 1},
        {"lpf 0.5", kLpf, Filter(1, 300, "300"), "0.5", BelowMinimum, "1", 1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        UserFilter filter = row.before;
        EXPECT_EQ(CommitFrequency(filter, row.side, row.typed), row.check);
        EXPECT_EQ(FrequencyText(filter), row.text);
        EXPECT_EQ(filter.cutoff, row.cutoff);
        EXPECT_EQ(filter.sendPending, row.mark);
    }
}

TEST(FilterUnit, AChangeMarksAndRereadsAndTheSameUnitKeepsAnEarlierMark) {
    UserFilter filter = Filter(1, 1500, "1.50", 1);
    ChooseLpfUnit(filter, 0);
    EXPECT_EQ(filter.cutoff, 1u);
    EXPECT_EQ(filter.sendPending, 1u);
    ChooseLpfUnit(filter, 1);
    EXPECT_EQ(filter.cutoff, 1500u);
    ChooseLpfUnit(filter, 1); // chosen again: the mark of the edits before stays
    EXPECT_EQ(filter.sendPending, 1u);
    filter.sendPending = 0;
    ChooseLpfUnit(filter, 1);
    EXPECT_EQ(filter.sendPending, 0u);
}

TEST(FilterSendCheck, LowPassMustSuitItsModule) {
    const struct {
        const char* name;
        std::uint8_t kind;
        UserFilter lpf;
        std::optional<int> refused;
    } rows[] = {
        {"switched on at 0", kVibrationModule, Filter(1, 1, "1.00"), 3},
        {"25 kHz vibration", kVibrationModule, Filter(1, 25000, "25.0", 1), 3},
        {"25 kHz sound", kSoundModule, Filter(1, 25000, "25.0", 1), std::nullopt},
        {"lowest", kVibrationModule, Filter(1, 300, "300"), std::nullopt},
        {"vibration highest", kVibrationModule, Filter(1, 20000, "20.0", 1), std::nullopt},
        {"sound above", kSoundModule, Filter(1, 50001, "50.0", 1), 3},
        {"switched off", kVibrationModule, Filter(0, 1, "1.00"), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceState device;
        device.channels[0] = Channel(kSoundModule, Filter(1, 1000, "1.00", 1));
        device.channels[2] = Channel(row.kind, row.lpf);
        EXPECT_EQ(FirstLpfOutOfRange(device), row.refused);
    }
}

TEST(FilterText, ThousandthsReadsPlainDecimalsOnly) {
    EXPECT_EQ(Thousandths("12.3"), 12300u);
    EXPECT_EQ(Thousandths(".5"), 500u);
    EXPECT_EQ(Thousandths("7."), 7000u);
    EXPECT_EQ(Thousandths("1.23456"), 1234u);
    for (const std::string_view bad : {"", ".", "-1", "1.2.3", "1e3", " 1", "1000000000000"}) {
        EXPECT_EQ(Thousandths(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace va48
