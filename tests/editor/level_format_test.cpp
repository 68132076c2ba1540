#include "editor/level_format.h"

#include "tests/support/channels.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

using namespace level_setup;

ChannelSettings OfKind(std::uint8_t kind) {
    ChannelSettings channel = Reading(905);
    channel.moduleKind = kind;
    return channel;
}

TEST(FormatLevel, ValueAndUnitOrNothing) {
    const struct {
        const char* name;
        ChannelSettings channel;
        std::string_view value; // "- - -": nothing to show
        std::string_view unit;
    } rows[] = {
        {"sound", Reading(905), "90.5", "dB"},
        {"sound below 1 dB", Reading(7), "0.7", "dB"},
        {"mm, full scale 0.01", Reading(1234, 2, 3, 0, 3), "0.1234", "mm"},
        {"leading zeros", Reading(5, 2, 3, 0, 3), "0.0005", "mm"},
        {"no decimals", Reading(1234, 0, 1, 6, 1), "1234", "m/s2"},
        {"largest reading", Reading(4294967295u, 2, 3, 1, 3), "429496.7295", "mm"},
        // The reading's own unit scales the value; the configured unit labels it.
        {"unit label from the setup", Reading(1234, 1, 3, 4, 2), "123.4", "mm/s"},
        {"setup unit outside the table", Reading(1234, 0, 1, 0, 9), "123.4", ""},
        {"exponent 3", Reading(1234, 3, 1, 0, 1), "- - -", ""},
        {"unit 0", Reading(1234, 0, 0, 0, 1), "- - -", ""},
        {"unit 4", Reading(1234, 0, 4, 0, 1), "- - -", ""},
        {"range 7", Reading(1234, 0, 1, 7, 1), "- - -", ""},
        {"no module", OfKind(kNoModule), "- - -", ""},
        {"unknown module", OfKind(3), "- - -", ""},
    };
    for (const auto& row : rows) {
        const std::optional<LevelText> level = FormatLevel(row.channel);
        EXPECT_EQ(level ? std::string_view(level->value) : kNoValueText, row.value) << row.name;
        EXPECT_EQ(level ? level->unit.text : std::string_view(), row.unit) << row.name;
    }
}

// Checked against the other way of stating the rule: code = 2 log10 F + range, two codes per
// decimal from 4 decimals down to none.
TEST(VibrationDecimals, FollowTheFullScale) {
    for (std::uint32_t exponent = 0; exponent < 3; ++exponent) {
        for (std::uint32_t unit = 1; unit <= 3; ++unit) {
            const int factor = *VibrationRangeFactor(exponent, unit);
            const int log10Factor = factor == 1000 ? 3 : factor == 100 ? 2 : factor == 10 ? 1 : 0;
            for (std::uint32_t range = 0; range < kVibrationRangeCount; ++range) {
                const int code = 2 * log10Factor + static_cast<int>(range);
                EXPECT_EQ(VibrationDecimals(exponent, unit, range).value_or(-1),
                          code >= 8 ? 0 : 4 - code / 2)
                    << exponent << " " << unit << " " << range;
            }
        }
    }
    EXPECT_FALSE(VibrationDecimals(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
}

TEST(UpdateLamp, RedWinsAndAClearedLampIsHeld) {
    const struct {
        const char* name;
        std::uint32_t lamp;
        int red;
        int cyan;
        std::uint32_t newLamp;
        bool hold;
    } rows[] = {
        {"red reading", kLampNormal, 1, 0, kLampRed, false},
        {"red wins over cyan", kLampCyan, 1, 1, kLampRed, false},
        {"cyan replaces red", kLampRed, 0, 1, kLampCyan, false},
        {"red held", kLampRed, 0, 0, kLampRed, true},
        {"cyan held", kLampCyan, 0, 0, kLampCyan, true},
        {"normal stays", kLampNormal, 0, 0, kLampNormal, false},
        {"off becomes normal", kLampOff, 0, 0, kLampNormal, false},
    };
    for (const auto& row : rows) {
        const LampUpdate update = UpdateLamp(row.lamp, Lamps(row.red, row.cyan));
        EXPECT_EQ(update.lamp, row.newLamp) << row.name;
        EXPECT_EQ(update.startHoldTimer, row.hold) << row.name;
    }
}

} // namespace
} // namespace va48
