#include "filters/filter_csv.h"

#include "protocol/value_tables.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

constexpr auto kHpf = FilterSide::HighPass;
constexpr auto kLpf = FilterSide::LowPass;
constexpr std::string_view kHeader = "channel,enabled,frequency,unit,a2,b2,c2,a1,b1\r\n";

// Sixteen present channels, sound and vibration in turn, with filters of every shape: on and
// off, Hz and kHz, coefficients from 0 to 2^48 - 1.
DeviceState SixteenChannels() {
    DeviceState device;
    const char* hpfTexts[] = {"3.00", "12.3", "200", "15.7"};
    const char* lpfTexts[] = {"300", "1.50", "999", "20.0"}; // odd rows in kHz
    for (int n = 1; n <= kChannelCount; ++n) {
        ChannelSettings& channel = device.channels[static_cast<std::size_t>(n - 1)];
        channel.moduleKind = n % 2 ? kSoundModule : kVibrationModule;
        for (FilterSide side : {kHpf, kLpf}) {
            UserFilter& filter = EditFilter(channel, side);
            filter.enabled = n % 3 ? 1 : 0;
            const char* text =
                filter.enabled ? (side == kHpf ? hpfTexts : lpfTexts)[n % 4] : "0.00";
            SetFrequencyText(filter, text);
            filter.cutoffUnit = side == kLpf && n % 2 ? 1 : 0;
            filter.cutoff = FrequencyOfText(text, side, filter.cutoffUnit);
            for (std::size_t i = 0; i < filter.coef.size(); ++i) {
                filter.coef[i] = static_cast<std::int64_t>(n) << (8 * i);
            }
        }
        channel.editUserHpf.coef[4] = kCoefficientMax;
    }
    return device;
}

TEST(FilterCsv, ExportThenImportRoundTripsByteExact) {
    for (FilterSide side : {kHpf, kLpf}) {
        const DeviceState written = SixteenChannels();
        const std::string text = ExportFilters(written, side);
        if (side == kHpf) {
            EXPECT_TRUE(text.starts_with(std::string(kHeader) +
                                         "1,1,12.3,Hz,000000000001,000000000100,000000010000,"
                                         "000001000000,FFFFFFFFFFFF\r\n"))
                << text;
        }

        DeviceState read;
        for (std::size_t i = 0; i < read.channels.size(); ++i) {
            read.channels[i].moduleKind = written.channels[i].moduleKind;
        }
        const ImportResult result = ImportFilters(read, side, text);
        ASSERT_FALSE(result.error);
        EXPECT_EQ(result.changedRows, kChannelCount);
        EXPECT_EQ(ExportFilters(read, side), text);
        EXPECT_EQ(read.channels[6].editUserLpf.sendPending, side == kLpf ? 1u : 0u);

        // The same file again changes nothing and marks nothing more.
        read.channels[6].editUserLpf.sendPending = 0;
        read.channels[6].editUserHpf.sendPending = 0;
        EXPECT_EQ(ImportFilters(read, side, text).changedRows, 0);
        EXPECT_EQ(read.channels[6].editUserLpf.sendPending, 0u);
    }
}

TEST(FilterCsv, ReadsTheFormsASpreadsheetWrites) {
    DeviceState device = SixteenChannels();
    device.channels[15].moduleKind = kNoModule;
    const std::string text = "\xEF\xBB\xBF"
                             "Channel, Enabled ,FREQUENCY,unit,a2,b2,c2,a1,b1\n"
                             "\n"
                             "\"2\",1,12.345,khz,abc,0,0,0,\"1\"\n"
                             "16,x,nonsense,,,,,,\n"
                             "  \r\n";
    const ImportResult result = ImportFilters(device, kLpf, text);
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.changedRows, 1);
    const UserFilter& filter = device.channels[1].editUserLpf;
    EXPECT_EQ(FrequencyText(filter), "12.3");
    EXPECT_EQ(filter.cutoff, 12300u);
    EXPECT_EQ(filter.coef, (std::array<std::int64_t, 5>{0xABC, 0, 0, 0, 1}));
    EXPECT_EQ(filter.sendPending, 1u);
}

TEST(FilterCsv, RefusesABadFileNamingLineAndFieldAndChangesNothing) {
    // Line 2 of every file but the first two is good and would change channel 1: a refusal must
    // undo nothing because nothing was applied.
    using enum ImportProblem;
    const std::string good = std::string(kHeader) + "1,1,3.00,Hz,1,2,3,4,5\r\n";
    const std::string row = "3,1,12.3,Hz,0,0,0,0,0\r\n";
    const struct {
        const char* name;
        FilterSide side;
        std::string text;
        ImportError error;
    } rows[] = {
        {"empty file", kHpf, "", {1, -1, NoHeader}},
        {"no header", kHpf, "\r\n" + row, {2, -1, NoHeader}},
        {"short line", kHpf, good + "3,1,12.3,Hz,0,0,0,0", {3, -1, FieldCount}},
        {"channel 17", kHpf, good + "17,1,12.3,Hz,0,0,0,0,0", {3, 0, NotAChannel}},
        {"channel twice", kHpf, good + row + row, {4, 0, RepeatedChannel}},
        {"flag", kHpf, good + "3,yes,12.3,Hz,0,0,0,0,0", {3, 1, NotAFlag}},
        {"no frequency", kHpf, good + "3,1,,Hz,0,0,0,0,0", {3, 2, Empty}},
        {"not plain", kHpf, good + "3,1,12abc,Hz,0,0,0,0,0", {3, 2, NotDecimal}},
        {"hpf below 3", kHpf, good + "3,1,2.5,Hz,0,0,0,0,0", {3, 2, BelowMinimum}},
        {"lpf above 999", kLpf, good + "3,1,1500,kHz,0,0,0,0,0", {3, 2, AboveMaximum}},
        {"kHz on a high-pass", kHpf, good + "3,1,12.3,kHz,0,0,0,0,0", {3, 3, NotAUnit}},
        {"b1 not hexadecimal", kHpf, good + "3,1,12.3,Hz,0,0,0,0,0x1", {3, 8, NotHexadecimal}},
        {"c2 past 48 bits", kHpf, good + "3,1,12.3,Hz,0,0,1000000000000,0,0", {3, 6, AboveMaximum}},
        {"a1 past 63", kHpf, good + "3,1,12.3,Hz,0,0,0,FFFFFFFFFFFFFFFF,0", {3, 7, AboveMaximum}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceState device = SixteenChannels();
        const DeviceState before = device;
        EXPECT_EQ(ImportFilters(device, row.side, row.text).error, row.error);
        EXPECT_EQ(device.channels, before.channels);
    }
}

TEST(FilterClipboard, CopiesAndPastesFiveCoefficients) {
    UserFilter filter;
    filter.coef = {0xABC, 0, 1, kCoefficientMax, 2};
    EXPECT_EQ(CoefficientsClipboardText(filter),
              "000000000ABC\t000000000000\t000000000001\tFFFFFFFFFFFF\t000000000002");

    for (const std::string_view bad :
         {"1\t2\t3\t4", "1\t2\t3\t4\t5\t6", "1\t2\tx\t4\t5", "1\t2\t3\t4\t1000000000000", ""}) {
        UserFilter copy = filter;
        EXPECT_FALSE(PasteCoefficients(copy, bad)) << bad;
        EXPECT_EQ(copy, filter);
    }
    EXPECT_TRUE(PasteCoefficients(filter, "a\tb, c\r\nd  e\r\n"));
    EXPECT_EQ(filter.coef, (std::array<std::int64_t, 5>{0xA, 0xB, 0xC, 0xD, 0xE}));
    EXPECT_EQ(filter.sendPending, 1u);
}

} // namespace
} // namespace va48
