#include "filters/filter_rules.h"

#include "ui/value_entry.h"
#include "protocol/value_tables.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace va48 {

namespace {

// The frequency fields' ranges, in the field's unit.
constexpr double kHpfLowestHz = 3;
constexpr double kHpfHighestHz = 200;
constexpr double kLpfLowest = 1;
constexpr double kLpfHighest = 999;

// What a field's range ends read as when a text is taken to them.
constexpr std::string_view kHpfLowestText = "3.00";
constexpr std::string_view kHpfHighestText = "200";
constexpr std::string_view kLpfLowestText = "1";
constexpr std::string_view kLpfHighestText = "999";
// A filter switched on without a frequency.
constexpr std::string_view kLpfSwitchedOnText = "1.00";

constexpr std::uint32_t kLpfSendLowestHz = 300;
constexpr std::uint32_t kSoundLpfHighestHz = 50000;
constexpr std::uint32_t kVibrationLpfHighestHz = 20000;

constexpr std::uint64_t kThousandthsLimit = 1'000'000'000'000'000;

} // namespace

UserFilter& EditFilter(ChannelSettings& channel, FilterSide side) {
    return side == FilterSide::HighPass ? channel.editUserHpf : channel.editUserLpf;
}

const UserFilter& EditFilter(const ChannelSettings& channel, FilterSide side) {
    return side == FilterSide::HighPass ? channel.editUserHpf : channel.editUserLpf;
}

const UserFilter& DeviceFilter(const ChannelSettings& channel, FilterSide side) {
    return side == FilterSide::HighPass ? channel.deviceUserHpf : channel.deviceUserLpf;
}

bool IsPresent(std::uint8_t moduleKind) {
    return moduleKind == kSoundModule || moduleKind == kVibrationModule;
}

std::string CoefficientText(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*" PRIX64, static_cast<int>(kCoefficientDigits),
                  static_cast<std::uint64_t>(value));
    return text;
}

std::string_view FrequencyText(const UserFilter& filter) {
    return {filter.cutoffText.data(), strnlen(filter.cutoffText.data(), filter.cutoffText.size())};
}

void SetFrequencyText(UserFilter& filter, std::string_view text) {
    filter.cutoffText.fill('\0');
    std::memcpy(filter.cutoffText.data(), text.data(),
                std::min(text.size(), filter.cutoffText.size() - 1));
}

std::uint32_t FrequencyOfText(std::string_view text, FilterSide side, std::uint32_t unit) {
    const std::uint64_t thousandths = Thousandths(text).value_or(0);
    std::uint64_t frequency = 0;
    if (side == FilterSide::HighPass) {
        frequency = (thousandths + 5) / 10;
    } else {
        frequency = unit == 1 ? thousandths : thousandths / 1000;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frequency, UINT32_MAX));
}

RowView ViewOfRow(const ChannelSettings& channel, FilterSide side) {
    RowView view;
    view.frequency = kNoValueText;
    view.coefficients.fill(std::string(kNoValueText));
    view.units = {kNoValueText};
    view.present = IsPresent(channel.moduleKind);
    const UserFilter& filter = EditFilter(channel, side);
    if (!view.present || filter.enabled != 1) {
        return view;
    }
    view.checked = true;
    view.editable = true;
    view.frequency = FrequencyText(filter);
    view.units.clear();
    if (side == FilterSide::HighPass) {
        view.units.push_back(LabelOf(kHpfCutoffUnitTable, 0));
    } else {
        for (const IndexLabel& row : kLpfCutoffUnitTable) {
            view.units.push_back(row.label);
        }
        view.unit = filter.cutoffUnit < kLpfCutoffUnitTable.size()
                        ? static_cast<int>(filter.cutoffUnit)
                        : 0;
    }
    for (int i = 0; i < kCoefficientCount; ++i) {
        view.coefficients[static_cast<std::size_t>(i)] =
            CoefficientText(filter.coef[static_cast<std::size_t>(i)]);
    }
    return view;
}

void SwitchFilter(UserFilter& filter, FilterSide side, bool on) {
    filter.enabled = on ? 1 : 0;
    filter.sendPending = 1;
    if (!on || filter.cutoff != 0) {
        return;
    }
    const std::string_view text =
        side == FilterSide::HighPass ? kHpfLowestText : kLpfSwitchedOnText;
    SetFrequencyText(filter, text);
    filter.cutoff = FrequencyOfText(text, side, filter.cutoffUnit);
}

EntryCheck CommitFrequency(UserFilter& filter, FilterSide side, std::string_view text) {
    if (text.empty()) {
        return EntryCheck::Empty;
    }
    const bool highPass = side == FilterSide::HighPass;
    const int range = DecimalRangeCheck(text, highPass ? kHpfLowestHz : kLpfLowest,
                                        highPass ? kHpfHighestHz : kLpfHighest);
    std::string shown;
    if (range > 0) {
        shown = highPass ? kHpfHighestText : kLpfHighestText;
    } else if (range < 0) {
        shown = highPass ? kHpfLowestText : kLpfLowestText;
    } else {
        shown = DecimalTextNormalize(text, kFrequencyDigits);
    }
    if (shown != FrequencyText(filter)) {
        SetFrequencyText(filter, shown);
        filter.cutoff = FrequencyOfText(shown, side, filter.cutoffUnit);
        filter.sendPending = 1;
    }
    return range > 0 ? EntryCheck::AboveMaximum
                     : (range < 0 ? EntryCheck::BelowMinimum : EntryCheck::Accepted);
}

EntryCheck CommitCoefficient(UserFilter& filter, int column, std::string_view text,
                             std::string& shown) {
    std::int64_t& coefficient = filter.coef.at(static_cast<std::size_t>(column));
    if (text.empty()) {
        shown.clear();
        return EntryCheck::Empty;
    }
    const int range = HexRangeCheck(text, 0, static_cast<double>(kCoefficientMax));
    if (range != 0) {
        shown = CoefficientText(coefficient);
        return range == -1 ? EntryCheck::BelowMinimum : EntryCheck::AboveMaximum;
    }
    std::uint64_t value = 0;
    ParseHex64(text, value);
    if (coefficient != static_cast<std::int64_t>(value)) {
        coefficient = static_cast<std::int64_t>(value);
        filter.sendPending = 1;
    }
    shown = HexTextNormalize(text, kCoefficientDigits);
    return EntryCheck::Accepted;
}

void ChooseLpfUnit(UserFilter& filter, std::uint32_t unit) {
    if (unit == filter.cutoffUnit) {
        return;
    }
    filter.sendPending = 1;
    filter.cutoffUnit = unit;
    filter.cutoff = FrequencyOfText(FrequencyText(filter), FilterSide::LowPass, unit);
}

std::optional<std::uint64_t> Thousandths(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.size() + fraction.size() == 0 || !digits(whole) || !digits(fraction)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : whole) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value >= kThousandthsLimit / 1000) {
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
        value =
            value * 10 + (i < fraction.size() ? static_cast<std::uint64_t>(fraction[i] - '0') : 0);
    }
    return value;
}

std::optional<int> FirstLpfOutOfRange(const DeviceState& device) {
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings& channel = device.channels[static_cast<std::size_t>(n - 1)];
        const UserFilter& filter = channel.editUserLpf;
        if (!IsPresent(channel.moduleKind) || filter.enabled != 1) {
            continue;
        }
        const std::uint32_t highest =
            channel.moduleKind == kSoundModule ? kSoundLpfHighestHz : kVibrationLpfHighestHz;
        if (filter.cutoff < kLpfSendLowestHz || filter.cutoff > highest) {
            return n;
        }
    }
    return std::nullopt;
}

void RestoreFilters(DeviceState& device, FilterSide side) {
    for (ChannelSettings& channel : device.channels) {
        EditFilter(channel, side) = DeviceFilter(channel, side);
        EditFilter(channel, side).sendPending = 0;
    }
}

} // namespace va48
