#include "protocol/value_tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace va48 {
namespace {

std::string G(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

TEST(ValueTables, SoundRangeRowFollowsTheSensitivityHundreds) {
    EXPECT_EQ(SoundRangeRow(100)->lowest, 70);
    EXPECT_EQ(SoundRangeRow(199)->lowest, 70);
    EXPECT_EQ(SoundRangeRow(253)->lowest, 80);
    EXPECT_EQ(SoundRangeRow(599)->highest, 160);
    EXPECT_EQ(SoundRangeDb(253, 0), 80);
    EXPECT_EQ(SoundRangeDb(253, 5), 130);
}

TEST(ValueTables, ValuesFromTheAmplifierNeverReachOutsideATable) {
    EXPECT_FALSE(SoundRangeRow(99));
    EXPECT_FALSE(SoundRangeRow(600));
    EXPECT_FALSE(SoundRangeRow(65535));
    EXPECT_FALSE(SoundRangeDb(300, 6));
    EXPECT_FALSE(VibrationRangeFactor(3, 1));
    EXPECT_FALSE(VibrationRangeFactor(0, 0));
    EXPECT_FALSE(VibrationRangeFactor(0, 4));
    EXPECT_FALSE(VibrationRangeValue(0, 1, 7));
    EXPECT_FALSE(SensitivityScale(kVibrationModule, 3));
    EXPECT_FALSE(SensitivityScale(kNoModule, 0));
    EXPECT_FALSE(VibrationLevelUnit(0));
    EXPECT_FALSE(VibrationLevelUnit(4));
    EXPECT_EQ(LabelOf(kDetectionTable, 0), "");
    EXPECT_EQ(LabelOf(kHpfFineList, 22), "");
    EXPECT_EQ(UnitLabelAt(kVibrationSensitivityUnitTable, 9).text, "");
    EXPECT_TRUE(ConnectorTable(3).empty());
}

TEST(ValueTables, VibrationRangeListsAreFactorTimesStep) {
    const auto list = [](std::uint32_t exponent, std::uint32_t unit) {
        std::string text;
        for (std::uint32_t position = 0; position < kVibrationRangeCount; ++position) {
            text += G(*VibrationRangeValue(exponent, unit, position)) + " ";
        }
        return text;
    };
    EXPECT_EQ(list(0, 1), "10 30 100 300 1000 3000 10000 ");
    EXPECT_EQ(list(1, 3), "0.1 0.3 1 3 10 30 100 ");
    EXPECT_EQ(list(2, 3), "0.01 0.03 0.1 0.3 1 3 10 ");
}

TEST(ValueTables, UnitLabelsRaiseTheirFinalTwo) {
    for (const UnitLabel& label : {kVibrationLevelUnitTable[1], kVibrationSensitivityUnitTable[1],
                                   kVibrationSensitivityUnitTable[2]}) {
        ASSERT_TRUE(label.superscript);
        EXPECT_EQ(label.superEnd, label.text.size());
        EXPECT_EQ(label.text.substr(label.superStart, label.superEnd - label.superStart), "2");
    }
    EXPECT_FALSE(kVibrationLevelUnitTable[2].superscript);
}

} // namespace
} // namespace va48
