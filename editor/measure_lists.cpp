#include "editor/measure_lists.h"

#include "protocol/value_tables.h"

#include <algorithm>
#include <charconv>
#include <span>

namespace va48 {

namespace {

// The lists of one module kind.
struct KindTables {
    std::span<const IndexLabel> weightUnit;
    std::span<const IndexLabel> timeDetection;
    std::span<const IndexLabel> hpfMenu;
    std::span<const IndexLabel> lpfMenu;
    std::span<const IndexLabel> hpfFine;
    std::span<const IndexLabel> lpfFine;
};

constexpr KindTables kSoundTables = {kFreqWeightingTable, kTimeWeightingTable, kSoundHpfMenu,
                                     kSoundLpfMenu,       kHpfFineList,        kSoundLpfFineList};
constexpr KindTables kVibrationTables = {kVibrationUnitTable, kDetectionTable,
                                         kVibrationHpfMenu,   kVibrationLpfMenu,
                                         kHpfFineList,        kVibrationLpfFineList};

const KindTables* TablesOf(std::uint8_t moduleKind) {
    switch (moduleKind) {
    case kSoundModule:
        return &kSoundTables;
    case kVibrationModule:
        return &kVibrationTables;
    default:
        return nullptr;
    }
}

std::vector<MeasureItem> ItemsOf(std::span<const IndexLabel> table) {
    std::vector<MeasureItem> items;
    for (const IndexLabel& row : table) {
        items.push_back({std::string(row.label), row.index});
    }
    return items;
}

std::vector<MeasureItem> RangeItems(const ChannelSetup& setup, std::uint8_t moduleKind) {
    std::vector<MeasureItem> items;
    if (moduleKind == kSoundModule) {
        for (int k = 0; k < kSoundRangeCount; ++k) {
            if (const auto db = SoundRangeDb(setup.sensitivity, static_cast<std::uint32_t>(k))) {
                items.push_back({std::to_string(*db), k});
            }
        }
    } else {
        for (int k = 0; k < kVibrationRangeCount; ++k) {
            if (const auto value = VibrationRangeValue(setup.sensitivityExp, setup.freqWeightUnit,
                                                       static_cast<std::uint32_t>(k))) {
                items.push_back({FormatRangeValue(*value), k});
            }
        }
    }
    return items;
}

// What the "other" filter item stands for; nullopt when it stands for nothing the user could
// recognise (filter off, a disabled user filter, an index beyond the fine list).
std::optional<std::string> OtherFilterLabel(std::int8_t index, const UserFilter& user,
                                            std::span<const IndexLabel> fine) {
    if (index == kUserFilterIndex) {
        if (user.enabled != 1) {
            return std::nullopt;
        }
        return std::string(TextOf(user.cutoffLabel));
    }
    if (index < 0) {
        return std::nullopt;
    }
    const IndexLabel* row = FindRow(fine, index);
    return row ? std::optional<std::string>(row->label) : std::nullopt;
}

// A filter menu: its fixed rows, then the "other" row (the one without a label) when it has one.
std::vector<MeasureItem> FilterItems(std::span<const IndexLabel> menu,
                                     const std::optional<std::string>& other) {
    std::vector<MeasureItem> items;
    for (const IndexLabel& row : menu) {
        if (!row.label.empty()) {
            items.push_back({std::string(row.label), row.index});
        } else if (other) {
            items.push_back({*other, row.index});
        }
    }
    return items;
}

bool Offers(const MeasureList& list, int code) {
    return std::any_of(list.items.begin(), list.items.end(),
                       [code](const MeasureItem& item) { return item.code == code; });
}

} // namespace

std::optional<MeasureRow> BuildMeasureRow(const ChannelSettings& channel) {
    const KindTables* tables = TablesOf(channel.moduleKind);
    if (!tables) {
        return std::nullopt;
    }
    const ChannelSetup& setup = channel.editSetup;
    const auto hpfOther = OtherFilterLabel(setup.hpfIndex, channel.editUserHpf, tables->hpfFine);
    const auto lpfOther = OtherFilterLabel(setup.lpfIndex, channel.editUserLpf, tables->lpfFine);
    std::optional<int> range;
    if (channel.rangeUnselected == 0) {
        range = setup.rangeIndex;
    }
    return MeasureRow{{
        {RangeItems(setup, channel.moduleKind), range, false},
        {ItemsOf(tables->weightUnit), setup.freqWeightUnit, true},
        {ItemsOf(tables->timeDetection), setup.timeWeightDetection, true},
        {FilterItems(tables->hpfMenu, hpfOther), setup.hpfMode, true},
        {FilterItems(tables->lpfMenu, lpfOther), setup.lpfMode, true},
    }};
}

bool StoreMeasureChoice(ChannelSettings& channel, MeasureColumn column, int code) {
    const auto row = BuildMeasureRow(channel);
    if (!row || !Offers((*row)[static_cast<std::size_t>(column)], code)) {
        return false;
    }
    // Every offered code comes from a table of small values, so it fits the 8-bit fields.
    const auto value = static_cast<std::uint8_t>(code);
    ChannelSetup& setup = channel.editSetup;
    switch (column) {
    case MeasureColumn::Range:
        setup.rangeIndex = value;
        channel.rangeUnselected = 0;
        break;
    case MeasureColumn::FreqWeightUnit:
        // The range values follow the unit, so any unit choice asks for the range again.
        if (channel.moduleKind == kVibrationModule) {
            channel.rangeUnselected = 1;
        }
        setup.freqWeightUnit = value;
        break;
    case MeasureColumn::TimeWeightDetection:
        setup.timeWeightDetection = value;
        break;
    case MeasureColumn::Hpf:
        setup.hpfMode = value;
        break;
    case MeasureColumn::Lpf:
        setup.lpfMode = value;
        break;
    }
    return true;
}

std::string FormatRangeValue(double value) {
    // Six significant digits and no trailing zeros, like printf's %g, but never a ','.
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 6);
    return std::string(buffer.data(), result.ptr);
}

} // namespace va48
