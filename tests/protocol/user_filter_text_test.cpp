#include "protocol/user_filter_text.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

TEST(UserFilterText, HighPassCutoffIsCutToThreeDigitsInHertz) {
    const std::pair<std::uint32_t, std::string_view> cases[] = {
        {300, "3.00Hz"},  {1250, "12.5Hz"}, {1575, "15.7Hz"}, {1599, "15.9Hz"},
        {20000, "200Hz"}, {999, "9.99Hz"},  {0, "0.00Hz"},
    };
    for (const auto& [cutoff, label] : cases) {
        UserFilter filter;
        filter.cutoff = cutoff;
        SetHpfCutoffTexts(filter);
        EXPECT_EQ(TextOf(filter.cutoffLabel), label) << cutoff;
        EXPECT_EQ(TextOf(filter.cutoffText), label.substr(0, label.size() - 2));
        EXPECT_EQ(filter.cutoffUnit, 0u);
    }
}

TEST(UserFilterText, LowPassCutoffSwitchesToKilohertzAtOneThousand) {
    const std::tuple<std::uint32_t, std::string_view, std::uint32_t> cases[] = {
        {300, "300Hz", 0},     {999, "999Hz", 0},     {1000, "1.00kHz", 1},  {1500, "1.50kHz", 1},
        {12500, "12.5kHz", 1}, {50000, "50.0kHz", 1}, {19999, "20.0kHz", 1},
    };
    for (const auto& [cutoff, label, unit] : cases) {
        UserFilter filter;
        filter.cutoff = cutoff;
        SetLpfCutoffTexts(filter);
        EXPECT_EQ(TextOf(filter.cutoffLabel), label) << cutoff;
        EXPECT_EQ(filter.cutoffUnit, unit);
    }
}

TEST(UserFilterText, ValuesOfFourIntegerDigitsKeepThemAll) {
    EXPECT_EQ(CutoffDigits(1234.5), "1234");
    EXPECT_EQ(CutoffDigits(0.5), "0.50");
}

} // namespace
} // namespace va48
