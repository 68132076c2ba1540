#include "editor/measure_lists.h"

#include "tests/support/channels.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

using namespace measure_setup;
using enum MeasureColumn;

template <typename T>
T With(T value, auto change) {
    change(value);
    return value;
}

// The items' texts, blank-separated.
std::string Texts(const std::vector<MeasureItem>& items) {
    std::string texts;
    for (const MeasureItem& item : items) {
        texts += (texts.empty() ? "" : " ") + item.text;
    }
    return texts;
}

TEST(BuildMeasureRow, RangeItemsFromTheSensitivityOrTheUnit) {
    const struct {
        const char* name;
        ChannelSettings channel;
        const char* texts;
    } rows[] = {
        {"sound 100: first row", Sound(100), "70 80 90 100 110 120"},
        {"sound 599: last row", Sound(599), "110 120 130 140 150 160"},
        {"sound 50: below the table", Sound(50), ""},
        {"sound 600: above the table", Sound(600), ""},
        {"vibration exp 3", Vibration(3, 1), ""},
        {"vibration unit 0", Vibration(0, 0), ""},
        {"vibration unit 4", Vibration(0, 4), ""},
    };
    for (const auto& row : rows) {
        const auto built = BuildMeasureRow(row.channel);
        ASSERT_TRUE(built) << row.name;
        const std::vector<MeasureItem>& items = (*built)[0].items;
        EXPECT_EQ(Texts(items), row.texts) << row.name;
        for (std::size_t k = 0; k < items.size(); ++k) {
            EXPECT_EQ(items[k].code, static_cast<int>(k)) << row.name;
        }
    }
    EXPECT_FALSE(BuildMeasureRow(ChannelSettings{}));
}

TEST(BuildMeasureRow, FilterListsEndWithTheOtherItemOnlyWhenItHasALabel) {
    const ChannelSettings userHpfOff = With(Filters(Sound(200), -2, -1, "3.00Hz"),
                                            [](ChannelSettings& c) { c.editUserHpf.enabled = 0; });
    const struct {
        const char* name;
        ChannelSettings channel;
        MeasureColumn column;
        std::string other; // the "other" item's text; empty: not offered
    } rows[] = {
        {"sound HPF off", Sound(200), Hpf, ""},
        {"sound HPF fine row 0", Filters(Sound(200), 0, -1), Hpf, "3Hz"},
        {"sound HPF fine row 21", Filters(Sound(200), 21, -1, "3.00Hz"), Hpf, "160Hz"},
        {"sound HPF user filter", Filters(Sound(200), -2, -1, "3.00Hz"), Hpf, "3.00Hz"},
        {"sound HPF user filter not enabled", userHpfOff, Hpf, ""},
        {"HPF index past the fine list", Filters(Sound(200), 22, -1), Hpf, ""},
        {"sound LPF 50kHz", Filters(Sound(200), -1, 26), Lpf, "50kHz"},
        {"vibration LPF list ends at 20kHz", Filters(Vibration(0, 1), -1, 26), Lpf, ""},
        {"vibration LPF 20kHz", Filters(Vibration(0, 1), -1, 22), Lpf, "20kHz"},
        {"vibration LPF user filter", Filters(Vibration(0, 1), -1, -2, nullptr, "12.5kHz"), Lpf,
         "12.5kHz"},
    };
    for (const auto& row : rows) {
        const bool sound = row.channel.moduleKind == kSoundModule;
        const bool hpf = row.column == Hpf;
        const std::string fixed =
            std::string("- - - ") +
            (sound ? (hpf ? "20Hz" : "20kHz")
             : hpf ? "3Hz 5Hz 10Hz 15Hz 20Hz 30Hz 50Hz 100Hz 150Hz 200Hz"
                   : "300Hz 500Hz 1kHz 1.5kHz 2kHz 3kHz 5kHz 10kHz 15kHz 20kHz");
        const auto built = BuildMeasureRow(row.channel);
        ASSERT_TRUE(built) << row.name;
        const std::vector<MeasureItem>& items =
            (*built)[static_cast<std::size_t>(row.column)].items;
        EXPECT_EQ(Texts(items), row.other.empty() ? fixed : fixed + " " + row.other) << row.name;
        const std::size_t fixedCount = items.size() - (row.other.empty() ? 0 : 1);
        for (std::size_t i = 0; i < fixedCount; ++i) {
            EXPECT_EQ(items[i].code, static_cast<int>(i) + 1) << row.name;
        }
        if (!row.other.empty()) {
            EXPECT_EQ(items.back().code, sound ? 3 : 12) << row.name;
        }
    }
}

TEST(StoreMeasureChoice, StoresOnlyOfferedCodes) {
    const auto unselected = [](ChannelSettings channel) {
        channel.rangeUnselected = 1;
        return channel;
    };
    const ChannelSettings fine = Filters(Sound(300), 5, -1);
    const struct {
        const char* name;
        ChannelSettings channel;
        MeasureColumn column;
        int code;
        bool stored;
        ChannelSettings after;
    } rows[] = {
        {"range chosen", unselected(Sound(300, 1)), Range, 4, true, Sound(300, 4)},
        {"range past the list", Sound(300, 4), Range, 6, false, Sound(300, 4)},
        {"unit changed", Vibration(1, 1), FreqWeightUnit, 2, true, unselected(Vibration(1, 2))},
        {"unit again", Vibration(1, 1), FreqWeightUnit, 1, true, unselected(Vibration(1, 1))},
        {"sound weighting keeps the range", Sound(300), FreqWeightUnit, 2, true,
         With(Sound(300), [](ChannelSettings& c) { c.editSetup.freqWeightUnit = 2; })},
        {"other HPF offered", fine, Hpf, 3, true,
         With(fine, [](ChannelSettings& c) { c.editSetup.hpfMode = 3; })},
        {"other HPF not offered", Sound(300), Hpf, 3, false, Sound(300)},
        {"sound LPF has no code 11", Sound(300), Lpf, 11, false, Sound(300)},
        {"no module", ChannelSettings{}, Hpf, 1, false, ChannelSettings{}},
    };
    for (const auto& row : rows) {
        ChannelSettings channel = row.channel;
        EXPECT_EQ(StoreMeasureChoice(channel, row.column, row.code), row.stored) << row.name;
        EXPECT_TRUE(channel == row.after) << row.name;
    }
}

} // namespace
} // namespace va48
