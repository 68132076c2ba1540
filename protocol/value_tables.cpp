#include "protocol/value_tables.h"

#include <algorithm>

namespace va48 {

const IndexLabel* FindRow(std::span<const IndexLabel> table, std::int32_t index) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [index](const IndexLabel& row) { return row.index == index; });
    return it == table.end() ? nullptr : &*it;
}

std::string_view LabelOf(std::span<const IndexLabel> table, std::int32_t index) {
    const IndexLabel* row = FindRow(table, index);
    return row ? row->label : std::string_view();
}

std::span<const ConnectorRow> ConnectorTable(std::uint8_t moduleKind) {
    switch (moduleKind) {
    case kSoundModule:
        return kSoundConnectorTable;
    case kVibrationModule:
        return kVibrationConnectorTable;
    default:
        return {};
    }
}

std::optional<SoundRange> SoundRangeRow(std::uint32_t sensitivity) {
    if (sensitivity < 100 || sensitivity > 599) {
        return std::nullopt;
    }
    return kSoundRangeTable[(sensitivity - 100) / 100];
}

std::optional<int> SoundRangeDb(std::uint32_t sensitivity, std::uint32_t position) {
    const auto row = SoundRangeRow(sensitivity);
    if (!row || position >= kSoundRangeCount) {
        return std::nullopt;
    }
    return row->lowest + 10 * static_cast<int>(position);
}

std::optional<int> VibrationRangeFactor(std::uint32_t exponent, std::uint32_t unit) {
    if (exponent >= kVibrationRangeFactors.size() || unit < 1 || unit > 3) {
        return std::nullopt;
    }
    return kVibrationRangeFactors[exponent][unit - 1];
}

std::optional<double> VibrationRangeValue(std::uint32_t exponent, std::uint32_t unit,
                                          std::uint32_t position) {
    const auto factor = VibrationRangeFactor(exponent, unit);
    if (!factor || position >= kVibrationRangeSteps.size()) {
        return std::nullopt;
    }
    return *factor * kVibrationRangeSteps[position];
}

std::optional<SensitivityScaleRow> SensitivityScale(std::uint8_t moduleKind,
                                                    std::uint32_t exponent) {
    if (moduleKind == kSoundModule) {
        return kSoundSensitivityScale;
    }
    if (moduleKind == kVibrationModule && exponent < kVibrationSensitivityScale.size()) {
        return kVibrationSensitivityScale[exponent];
    }
    return std::nullopt;
}

std::optional<UnitLabel> VibrationLevelUnit(std::uint32_t unit) {
    if (unit < 1 || unit >= kVibrationLevelUnitTable.size()) {
        return std::nullopt;
    }
    return kVibrationLevelUnitTable[unit];
}

UnitLabel UnitLabelAt(std::span<const UnitLabel> table, std::uint32_t position) {
    return position < table.size() ? table[position] : UnitLabel{"", 0, 0, 0};
}

} // namespace va48
