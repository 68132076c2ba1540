#include "editor/input_rules.h"

#include "tests/support/channels.h"

#include <gtest/gtest.h>

#include <ostream>

namespace va48 {

void PrintTo(const Sensitivity& s, std::ostream* out) {
    *out << '"' << s.text << "\" " << s.value << " e" << int(s.exponent);
}

namespace {

constexpr std::uint8_t kSound = kSoundModule;
constexpr std::uint8_t kVibration = kVibrationModule;

TEST(FormatStoredSensitivity, ShowsTheNearestValueOfItsRow) {
    const struct {
        const char* name;
        std::uint8_t kind;
        std::uint16_t value;
        std::uint8_t exponent;
        Sensitivity shown;
    } rows[] = {
        {"sound exponent ignored", kSound, 599, 2, {"-59.9", 599, 0}},
        {"sound above the table", kSound, 700, 0, {"-59.9", 599, 0}},
        {"vibration below its row", kVibration, 50, 1, {"1.00", 100, 1}},
        {"largest stored value", kVibration, 65535, 2, {"99.9", 999, 2}},
        {"exponent outside the table", kVibration, 500, 3, {"", 500, 3}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatStoredSensitivity(row.kind, row.value, row.exponent), row.shown)
            << row.name;
    }
}

TEST(StepShownSensitivity, StepsAcrossDecadesAndStaysInTheTable) {
    const struct {
        const char* name;
        std::uint8_t kind;
        const char* text;
        int step;
        Sensitivity result;
    } rows[] = {
        {"leading number only", kVibration, "1..2", 0, {"1.00", 100, 1}},
        {"up in a decade", kVibration, "5.00", 1, {"5.01", 501, 1}},
        {"1.00 down", kVibration, "1.00", -1, {"0.999", 999, 0}},
        {"9.99 up", kVibration, "9.99", 1, {"10.0", 100, 2}},
        {"bottom stays", kVibration, "0.100", -1, {"0.100", 100, 0}},
        {"empty up", kVibration, "", 1, {"0.100", 100, 0}},
        {"more digits than any number", kVibration, "999999999999999", -1, {"99.9", 999, 2}},
        // Past the digit limit (a pasted text): the nearer decade edge, never a tenfold value.
        {"just below 1.00", kVibration, "0.9996", 0, {"1.00", 100, 1}},
        {"just above 0.999", kVibration, "0.9994", 0, {"0.999", 999, 0}},
        {"just below 10.0", kVibration, "9.995", 0, {"10.0", 100, 2}},
        {"half rounds away from zero", kVibration, "0.1235", 0, {"0.124", 124, 0}},
        {"sound positive step", kSound, "-25.0", 1, {"-25.1", 251, 0}},
        {"sound bottom stays", kSound, "-59.9", 1, {"-59.9", 599, 0}},
        {"sound positive text", kSound, "25", 0, {"-10.0", 100, 0}},
        {"no module", kNoModule, "5", 1, {"- - -", 0, 0}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StepShownSensitivity(row.kind, row.text, row.step), row.result) << row.name;
    }
}

TEST(CheckSensitivityRange, ReplacesWithTheNearestEnd) {
    const struct {
        std::uint8_t kind;
        const char* text;
        int result;
        std::uint16_t value; // replacement, when result is not 0
        std::uint8_t exponent;
    } rows[] = {
        {kSound, "-59.9", 0, 0, 0},    {kSound, "-10", 0, 0, 0},
        {kSound, "-9.9", 1, 100, 0},   {kVibration, "0.1", 0, 0, 0},
        {kVibration, "99.9", 0, 0, 0}, {kVibration, "0.099", -1, 100, 0},
        {kVibration, "x", -1, 100, 0}, {kNoModule, "x", 0, 0, 0},
    };
    for (const auto& row : rows) {
        const SensitivityCheck check = CheckSensitivityRange(row.kind, row.text);
        EXPECT_EQ(check.result, row.result) << row.text;
        if (row.result != 0) {
            EXPECT_EQ(check.value, row.value) << row.text;
            EXPECT_EQ(check.exponent, row.exponent) << row.text;
        }
    }
}

TEST(SelectConnectorRow, UnlistedFlagsGetAnExtraItemOrANeighbour) {
    const struct {
        std::uint8_t kind;
        int flags; // rear 1, charge 2, ccld 4, teds 8
        int row;
        std::string_view extraItem;
        bool valid;
        std::string_view unit;
    } rows[] = {
        {kSound, 7, 3, "REAR", false, ""},       {kSound, 2, 0, "", false, ""},
        {kVibration, 4, 1, "", true, "mV/m/s2"}, {kVibration, 1, 3, "", true, "mV/m/s2"},
        {kVibration, 8, 4, "FRONT", false, ""},  {kVibration, 3, 3, "", false, ""},
        {kNoModule, 0, 0, "", false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.kind) << " flags " << row.flags);
        const ConnectorSelection selection = SelectConnectorRow(row.kind, row.flags);
        EXPECT_EQ(selection.row, row.row);
        EXPECT_EQ(selection.extraItem, row.extraItem);
        EXPECT_EQ(ValidConnectorFlags(row.kind, row.flags), row.valid);
        EXPECT_EQ(SensitivityUnitLabel(input_setup::Module(row.kind, row.flags, 100)).text,
                  row.unit);
    }
}

} // namespace
} // namespace va48
