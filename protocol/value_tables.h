#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace va48 {

// Module kinds as stored in ChannelSettings::moduleKind.
inline constexpr std::uint8_t kNoModule = 0;
inline constexpr std::uint8_t kSoundModule = 1;
inline constexpr std::uint8_t kVibrationModule = 2;

// Values the DID reply uses for the two module kinds.
inline constexpr int kDidSoundModule = 14;
inline constexpr int kDidVibrationModule = 15;

// The text of any channel, field or list item without a value.
inline constexpr std::string_view kNoValueText = "- - -";

// One row of a list: the stored value and the label shown for it.
struct IndexLabel {
    std::int32_t index;
    std::string_view label;
};

// One row of a connector list: the stored position, its label and the four connector flags.
struct ConnectorRow {
    std::int32_t index;
    std::string_view label;
    std::uint8_t rear;
    std::uint8_t charge;
    std::uint8_t ccld;
    std::uint8_t teds;
    // The flags as bits: rear 1, charge 2, ccld 4, teds 8.
    constexpr int Flags() const { return rear * 1 + charge * 2 + ccld * 4 + teds * 8; }
};

// A unit label, optionally with a raised run of characters [superStart, superEnd).
struct UnitLabel {
    std::string_view text;
    std::uint32_t superscript; // non-zero when part of the text is raised
    std::uint32_t superStart;
    std::uint32_t superEnd;
};

inline constexpr std::array<ConnectorRow, 3> kSoundConnectorTable = {{
    {0, "FRONT", 0, 0, 0, 0},
    {1, "REAR CCLD", 1, 0, 1, 0},
    {2, "REAR CCLD TEDS", 1, 0, 1, 1},
}};

inline constexpr std::array<ConnectorRow, 4> kVibrationConnectorTable = {{
    {0, "FRONT CHARGE", 0, 1, 0, 0},
    {1, "FRONT CCLD", 0, 0, 1, 0},
    {2, "FRONT CCLD TEDS", 0, 0, 1, 1},
    {3, "REAR", 1, 0, 0, 0},
}};

inline constexpr std::array<UnitLabel, 2> kSoundSensitivityUnitTable = {{
    {"", 0, 0, 0},
    {"dB/pa", 0, 0, 0},
}};

inline constexpr std::array<UnitLabel, 3> kVibrationSensitivityUnitTable = {{
    {"", 0, 0, 0},
    {"pC/m/s2", 1, 6, 7},
    {"mV/m/s2", 1, 6, 7},
}};

// Indexed by freqWeightUnit of a vibration channel's device setup.
inline constexpr std::array<UnitLabel, 4> kVibrationLevelUnitTable = {{
    {"", 0, 0, 0},
    {"m/s2", 1, 3, 4},
    {"mm/s", 0, 0, 0},
    {"mm", 0, 0, 0},
}};

inline constexpr UnitLabel kSoundLevelUnit = {"dB", 0, 0, 0};

inline constexpr std::array<IndexLabel, 3> kFreqWeightingTable = {{{1, "A"}, {2, "C"}, {3, "Z"}}};
inline constexpr std::array<IndexLabel, 3> kTimeWeightingTable = {
    {{1, "F"}, {2, "S"}, {3, "10ms"}}};
inline constexpr std::array<IndexLabel, 3> kVibrationUnitTable = {
    {{1, "m/s2"}, {2, "mm/s"}, {3, "mm"}}};
inline constexpr std::array<IndexLabel, 3> kDetectionTable = {
    {{1, "RMS"}, {2, "EQ PEAK"}, {3, "EQ P-P"}}};

// Filter menus; the last row has no label and stands for "other" (a fine list or user filter).
inline constexpr std::array<IndexLabel, 3> kSoundHpfMenu = {{{1, "- - -"}, {2, "20Hz"}, {3, ""}}};
inline constexpr std::array<IndexLabel, 3> kSoundLpfMenu = {{{1, "- - -"}, {2, "20kHz"}, {3, ""}}};
inline constexpr std::array<IndexLabel, 12> kVibrationHpfMenu = {{
    {1, "- - -"},
    {2, "3Hz"},
    {3, "5Hz"},
    {4, "10Hz"},
    {5, "15Hz"},
    {6, "20Hz"},
    {7, "30Hz"},
    {8, "50Hz"},
    {9, "100Hz"},
    {10, "150Hz"},
    {11, "200Hz"},
    {12, ""},
}};
inline constexpr std::array<IndexLabel, 12> kVibrationLpfMenu = {{
    {1, "- - -"},
    {2, "300Hz"},
    {3, "500Hz"},
    {4, "1kHz"},
    {5, "1.5kHz"},
    {6, "2kHz"},
    {7, "3kHz"},
    {8, "5kHz"},
    {9, "10kHz"},
    {10, "15kHz"},
    {11, "20kHz"},
    {12, ""},
}};

// Menu position that stands for "other filter" (then hpfIndex/lpfIndex give the filter).
inline constexpr std::uint8_t kSoundOtherFilterMode = 3;
inline constexpr std::uint8_t kVibrationOtherFilterMode = 12;

// Fine filter lists. The end row -2 stands for the user filter: a page lists the rows before it
// and offers the user filter (labelled with its cutoffLabel) only while that filter is enabled.
inline constexpr std::int32_t kUserFilterIndex = -2;
inline constexpr std::int32_t kFilterOffIndex = -1;

inline constexpr std::array<IndexLabel, 24> kHpfFineList = {{
    {-1, "- - -"}, {0, "3Hz"},    {1, "3.15Hz"},  {2, "4Hz"},    {3, "5Hz"},    {4, "6.3Hz"},
    {5, "8Hz"},    {6, "10Hz"},   {7, "12.5Hz"},  {8, "15Hz"},   {9, "16Hz"},   {10, "20Hz"},
    {11, "25Hz"},  {12, "30Hz"},  {13, "31.5Hz"}, {14, "40Hz"},  {15, "50Hz"},  {16, "63Hz"},
    {17, "80Hz"},  {18, "100Hz"}, {19, "125Hz"},  {20, "150Hz"}, {21, "160Hz"}, {-2, ""},
}};

inline constexpr std::array<IndexLabel, 29> kSoundLpfFineList = {{
    {-1, "- - -"},  {0, "300Hz"},    {1, "315Hz"},    {2, "400Hz"},  {3, "500Hz"},  {4, "630Hz"},
    {5, "800Hz"},   {6, "1kHz"},     {7, "1.25kHz"},  {8, "1.5kHz"}, {9, "1.6kHz"}, {10, "2kHz"},
    {11, "2.5kHz"}, {12, "3kHz"},    {13, "3.15kHz"}, {14, "4kHz"},  {15, "5kHz"},  {16, "6.3kHz"},
    {17, "8kHz"},   {18, "10kHz"},   {19, "12.5kHz"}, {20, "15kHz"}, {21, "16kHz"}, {22, "20kHz"},
    {23, "25kHz"},  {24, "31.5kHz"}, {25, "40kHz"},   {26, "50kHz"}, {-2, ""},
}};

// The rows -1 .. 22 of the sound list, then the end row.
inline constexpr std::array<IndexLabel, 25> kVibrationLpfFineList = [] {
    std::array<IndexLabel, 25> rows{};
    for (std::size_t i = 0; i < 24; ++i) {
        rows[i] = kSoundLpfFineList[i];
    }
    rows[24] = {-2, ""};
    return rows;
}();

inline constexpr std::array<IndexLabel, 1> kHpfCutoffUnitTable = {{{0, "Hz"}}};
inline constexpr std::array<IndexLabel, 2> kLpfCutoffUnitTable = {{{0, "Hz"}, {1, "kHz"}}};

// How a stored sensitivity is shown: sensitivity / divisor with `decimals` decimals.
struct SensitivityScaleRow {
    int divisor;
    int decimals;
    int minimum;
    int maximum;
};

inline constexpr SensitivityScaleRow kSoundSensitivityScale = {-10, 1, 100, 599};
inline constexpr std::array<SensitivityScaleRow, 3> kVibrationSensitivityScale = {{
    {1000, 3, 100, 999},
    {100, 2, 100, 999},
    {10, 1, 100, 999},
}};

struct SoundRange {
    int lowest;  // dB
    int highest; // dB
};

// Row = (sensitivity - 100) / 100; each row offers lowest, lowest + 10, ..., highest.
inline constexpr std::array<SoundRange, 5> kSoundRangeTable = {{
    {70, 120},
    {80, 130},
    {90, 140},
    {100, 150},
    {110, 160},
}};

inline constexpr int kSoundRangeCount = 6;
inline constexpr int kVibrationRangeCount = 7;

// Range factor by sensitivity exponent (rows) and vibration unit 1..3 (columns).
inline constexpr std::array<std::array<int, 3>, 3> kVibrationRangeFactors = {{
    {1000, 1000, 100},
    {100, 100, 10},
    {10, 10, 1},
}};

inline constexpr std::array<double, kVibrationRangeCount> kVibrationRangeSteps = {
    0.01, 0.03, 0.1, 0.3, 1, 3, 10};

// Scaling constants of the stored values.
inline constexpr double kHpfCutoffToHz = 0.01;
inline constexpr double kLpfHzToKhz = 0.001;
inline constexpr double kLpfKhzThreshold = 1000.0;
inline constexpr double kSoundLevelScale = 0.1;

// Lookups. Every value read from the amplifier reaches the tables through these, so an
// unexpected value yields "no row" instead of a read outside a table.

// The row with `index`, or nullptr.
const IndexLabel* FindRow(std::span<const IndexLabel> table, std::int32_t index);

// Label of the row with `index`; empty when there is none.
std::string_view LabelOf(std::span<const IndexLabel> table, std::int32_t index);

// Connector table of a module kind (empty for no module).
std::span<const ConnectorRow> ConnectorTable(std::uint8_t moduleKind);

// Sound range row for a sensitivity of 100..599; nullopt outside.
std::optional<SoundRange> SoundRangeRow(std::uint32_t sensitivity);

// Sound range at list position 0..5 in dB for a sensitivity; nullopt when either is out of range.
std::optional<int> SoundRangeDb(std::uint32_t sensitivity, std::uint32_t position);

// Vibration range factor for exponent 0..2 and unit 1..3; nullopt outside.
std::optional<int> VibrationRangeFactor(std::uint32_t exponent, std::uint32_t unit);

// Vibration range value (factor x step) at list position 0..6; nullopt when any is out of range.
std::optional<double> VibrationRangeValue(std::uint32_t exponent, std::uint32_t unit,
                                          std::uint32_t position);

// Scale row of a module kind and exponent (sound: exponent ignored); nullopt for no module or an
// exponent outside 0..2.
std::optional<SensitivityScaleRow> SensitivityScale(std::uint8_t moduleKind,
                                                    std::uint32_t exponent);

// Level unit label of a vibration unit 1..3; nullopt outside (row 0 is the empty label).
std::optional<UnitLabel> VibrationLevelUnit(std::uint32_t unit);

// Row of a unit table, or the empty label for a position outside it.
UnitLabel UnitLabelAt(std::span<const UnitLabel> table, std::uint32_t position);

} // namespace va48
