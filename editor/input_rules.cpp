#include "editor/input_rules.h"

#include "ui/value_entry.h"

#include <algorithm>
#include <utility>

namespace va48 {

namespace {

// Shown values are exact decimals: an integer count of 10^-14, enough for every fraction digit a
// field text can hold, so that 0.999 + 0.001 is exactly 1.00 and the decade edges compare the
// way they are written.
using Fixed = std::int64_t;
constexpr int kFixedDecimals = 14;

constexpr Fixed Pow10(int exponent) {
    Fixed power = 1;
    for (int i = 0; i < exponent; ++i) {
        power *= 10;
    }
    return power;
}

constexpr Fixed kOne = Pow10(kFixedDecimals);

// Every magnitude beyond this ends up at the same end of the table, so texts with more integer
// digits saturate here and the arithmetic below cannot overflow.
constexpr Fixed kSaturation = 10'000 * kOne;

// A vibration value takes the exponent of the decade its three significant digits fall in:
// everything from halfway past 0.999 shows as 1.00, from halfway past 9.99 as 10.0.
constexpr Fixed kDecadeRoundUp[] = {kOne * 9995 / 10'000, kOne * 9995 / 1000};

// The first value of the decades 1 and 2: an arrow step starting there belongs to the finer
// decade below when it goes down, to the decade itself when it goes up.
constexpr Fixed kDecadeStart[] = {kOne, 10 * kOne};

constexpr std::uint8_t kVibrationTopExponent =
    static_cast<std::uint8_t>(kVibrationSensitivityScale.size() - 1);

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The leading decimal number of a text, read the way DecimalRangeCheck reads it.
Fixed ReadShownValue(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(kWhiteSpace), text.size()));
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    Fixed magnitude = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude >= kSaturation / 10
                        ? kSaturation
                        : std::min(magnitude * 10 + (text[i] - '0') * kOne, kSaturation);
    }
    if (i < text.size() && text[i] == '.') {
        Fixed unit = kOne / 10;
        for (++i; i < text.size() && IsDigit(text[i]) && unit > 0; ++i, unit /= 10) {
            magnitude += (text[i] - '0') * unit;
        }
    }
    magnitude = std::min(magnitude, kSaturation);
    return negative ? -magnitude : magnitude;
}

std::uint8_t DecadeExponent(Fixed value) {
    return static_cast<std::uint8_t>(std::count_if(std::begin(kDecadeRoundUp),
                                                   std::end(kDecadeRoundUp),
                                                   [value](Fixed edge) { return value >= edge; }));
}

std::uint8_t StepExponent(Fixed value, int step) {
    return static_cast<std::uint8_t>(
        std::count_if(std::begin(kDecadeStart), std::end(kDecadeStart), [value, step](Fixed start) {
            return step < 0 ? value > start : value >= start;
        }));
}

// Every exponent asked for here comes from the functions above, so the row always exists.
SensitivityScaleRow ScaleRow(std::uint8_t moduleKind, std::uint8_t exponent) {
    return SensitivityScale(moduleKind, exponent).value();
}

// count / divisor; exact, since every divisor is a power of ten, possibly negated.
Fixed RowValue(const SensitivityScaleRow& row, Fixed count) {
    return count * kOne / row.divisor;
}

// Keeps value x divisor inside minimum .. maximum of the row.
Fixed Clamp(Fixed value, const SensitivityScaleRow& row) {
    const Fixed atMinimum = RowValue(row, row.minimum);
    const Fixed atMaximum = RowValue(row, row.maximum);
    // Multiplying by a negative divisor turns the comparisons round.
    const bool below = row.divisor > 0 ? value < atMinimum : value > atMinimum;
    const bool above = row.divisor > 0 ? value > atMaximum : value < atMaximum;
    if (below) {
        return atMinimum;
    }
    if (above) {
        return atMaximum;
    }
    return value;
}

// The value rounded (half away from zero) to the row's decimals; the stored value is the shown
// digits without sign and point. Callers clamp first, so the digits fit the row.
Sensitivity Format(Fixed value, const SensitivityScaleRow& row, std::uint8_t exponent) {
    const Fixed unit = Pow10(kFixedDecimals - row.decimals);
    const Fixed magnitude = value < 0 ? -value : value;
    const Fixed digits = (magnitude + unit / 2) / unit;
    const Fixed scale = Pow10(row.decimals);
    const std::string fraction = std::to_string(digits % scale);

    Sensitivity shown;
    if (value < 0) {
        shown.text.push_back('-');
    }
    shown.text.append(std::to_string(digits / scale)).push_back('.');
    shown.text.append(static_cast<std::size_t>(row.decimals) - fraction.size(), '0');
    shown.text.append(fraction);
    shown.value = static_cast<std::uint16_t>(digits);
    shown.exponent = exponent;
    return shown;
}

std::uint8_t ShownExponent(std::uint8_t moduleKind, Fixed value) {
    return moduleKind == kVibrationModule ? DecadeExponent(value) : 0;
}

// One end of the shown range with the stored value that stands for it.
struct ShownEnd {
    double shown;
    std::uint16_t value;
    std::uint8_t exponent;
};

// The lowest and the highest shown value of a module's table.
std::pair<ShownEnd, ShownEnd> ShownRange(std::uint8_t moduleKind) {
    const std::uint8_t topExponent = moduleKind == kVibrationModule ? kVibrationTopExponent : 0;
    const SensitivityScaleRow first = ScaleRow(moduleKind, 0);
    const SensitivityScaleRow last = ScaleRow(moduleKind, topExponent);
    ShownEnd low{static_cast<double>(first.minimum) / first.divisor,
                 static_cast<std::uint16_t>(first.minimum), 0};
    ShownEnd high{static_cast<double>(last.maximum) / last.divisor,
                  static_cast<std::uint16_t>(last.maximum), topExponent};
    // Sound values are shown negated, so the smallest stored value is the highest shown.
    if (low.shown > high.shown) {
        std::swap(low, high);
    }
    return {low, high};
}

} // namespace

bool HasInputModule(std::uint8_t moduleKind) {
    return moduleKind == kSoundModule || moduleKind == kVibrationModule;
}

ConnectorSelection SelectConnectorRow(std::uint8_t moduleKind, int flags) {
    const std::span<const ConnectorRow> table = ConnectorTable(moduleKind);
    for (const ConnectorRow& row : table) {
        if (row.Flags() == flags) {
            return {row.index, {}};
        }
    }
    const bool rear = (flags & 1) != 0;
    const int extraRow = static_cast<int>(table.size());
    constexpr int kVibrationRearRow = 3;
    switch (moduleKind) {
    case kSoundModule:
        return rear ? ConnectorSelection{extraRow, "REAR"} : ConnectorSelection{0, {}};
    case kVibrationModule:
        return rear ? ConnectorSelection{kVibrationRearRow, {}}
                    : ConnectorSelection{extraRow, "FRONT"};
    default:
        return {};
    }
}

bool ValidConnectorFlags(std::uint8_t moduleKind, int flags) {
    const std::span<const ConnectorRow> table = ConnectorTable(moduleKind);
    return std::any_of(table.begin(), table.end(),
                       [flags](const ConnectorRow& row) { return row.Flags() == flags; });
}

void ApplyConnectorRow(ChannelSetup& setup, const ConnectorRow& row) {
    setup.rear = row.rear;
    setup.charge = row.charge;
    setup.ccld = row.ccld;
    setup.teds = row.teds;
}

UnitLabel SensitivityUnitLabel(const ChannelSettings& channel) {
    const std::uint32_t position = SensitivityUnit(channel);
    switch (channel.moduleKind) {
    case kSoundModule:
        return UnitLabelAt(kSoundSensitivityUnitTable, position);
    case kVibrationModule:
        return UnitLabelAt(kVibrationSensitivityUnitTable, position);
    default:
        return UnitLabelAt({}, position);
    }
}

Sensitivity FormatStoredSensitivity(std::uint8_t moduleKind, std::uint16_t value,
                                    std::uint8_t exponent) {
    if (!HasInputModule(moduleKind)) {
        return {std::string(kNoValueText), value, exponent};
    }
    const std::optional<SensitivityScaleRow> row = SensitivityScale(moduleKind, exponent);
    if (!row) {
        return {std::string(), value, exponent};
    }
    const std::uint8_t shownExponent = moduleKind == kVibrationModule ? exponent : 0;
    return Format(Clamp(RowValue(*row, value), *row), *row, shownExponent);
}

Sensitivity StepShownSensitivity(std::uint8_t moduleKind, std::string_view text, int step) {
    if (!HasInputModule(moduleKind)) {
        return {std::string(kNoValueText), 0, 0};
    }
    Fixed value = ReadShownValue(text);
    if (step != 0) {
        const std::uint8_t stepExponent =
            moduleKind == kVibrationModule ? StepExponent(value, step) : 0;
        const Fixed unit = RowValue(ScaleRow(moduleKind, stepExponent), 1);
        value += step > 0 ? unit : -unit;
    }
    const std::uint8_t exponent = ShownExponent(moduleKind, value);
    const SensitivityScaleRow row = ScaleRow(moduleKind, exponent);
    return Format(Clamp(value, row), row, exponent);
}

SensitivityCheck CheckSensitivityRange(std::uint8_t moduleKind, std::string_view text) {
    if (!HasInputModule(moduleKind)) {
        return {};
    }
    const auto [low, high] = ShownRange(moduleKind);
    const int result = DecimalRangeCheck(text, low.shown, high.shown);
    if (result < 0) {
        return {-1, low.value, low.exponent};
    }
    if (result > 0) {
        return {1, high.value, high.exponent};
    }
    return {};
}

} // namespace va48
